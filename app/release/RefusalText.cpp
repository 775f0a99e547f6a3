#include "app/release/RefusalText.h"

#include "i18n/MessageText.h"

namespace release {

std::string RefusalLogLine(const TReleaseDecision& decision) {
    std::string line = "Release manifest refused: " + decision.Reason;
    if (decision.Line > 0) line += " (line " + std::to_string(decision.Line) + ")";
    return line;
}

std::string RefusalText(const TReleaseDecision& decision) {
    TextId id = kTextReleaseDamaged;
    std::string value;
    switch (decision.Why) {
    case Refusal::Signature: id = kTextReleaseUnsigned; break;
    case Refusal::Rollback:
        id = kTextReleaseOlder;
        value = decision.Version;
        break;
    case Refusal::Expired:
        id = kTextReleaseExpired;
        value = UtcText(decision.Expires);
        break;
    case Refusal::Format:
    case Refusal::None: break;
    }
    std::string text = TranslatedUtf8(id);
    // The value is ASCII (format 1 allows nothing else in a version), as UTF-8 as the text.
    if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace release

#include "app/transaction/JournalFormat.h"

#include <array>
#include <optional>
#include <stdexcept>

namespace transaction {
namespace {

constexpr std::size_t kFixedPayload = 1 + 1 + 4;  // kind, had-previous, previous type

constexpr std::array<std::uint32_t, 256> CrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = CrcTable();

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetU32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool IsRegistryRoot(const std::string& root) { return root == "HKLM" || root == "HKCU"; }

// Whether the fields are those a step of its kind has; what the rollback then acts on.
bool WellFormed(const JournalStep& step) {
    switch (step.Kind) {
    case StepKind::Begin: return !step.Path.empty() && !step.Other.empty();
    case StepKind::FolderCreated:
    case StepKind::FileCreated:
    case StepKind::ShortcutCreated:
    case StepKind::SettingsFileCreated: return !step.Path.empty();
    case StepKind::FileReplaced:
    case StepKind::ShortcutReplaced: return !step.Path.empty() && !step.Other.empty();
    case StepKind::KeyCreated:
    case StepKind::ValueSet: return !step.Path.empty() && IsRegistryRoot(step.Other);
    case StepKind::SettingWritten: return !step.Path.empty() && !step.Other.empty() && !step.Name.empty();
    case StepKind::Committed: return true;
    }
    return false;
}

std::optional<JournalStep> DecodePayload(std::string_view payload) {
    if (payload.size() < kFixedPayload) return std::nullopt;
    JournalStep step;
    const auto kind = static_cast<unsigned char>(payload[0]);
    if (kind < static_cast<unsigned char>(StepKind::Begin) || kind > static_cast<unsigned char>(StepKind::Committed))
        return std::nullopt;
    step.Kind = static_cast<StepKind>(kind);
    const auto hadPrevious = static_cast<unsigned char>(payload[1]);
    if (hadPrevious > 1) return std::nullopt;
    step.HadPrevious = hadPrevious == 1;
    step.PreviousType = GetU32(payload, 2);
    std::size_t at = kFixedPayload;
    for (std::string* field : {&step.Path, &step.Other, &step.Name, &step.Previous}) {
        if (payload.size() - at < 4) return std::nullopt;
        const std::uint32_t length = GetU32(payload, at);
        at += 4;
        if (payload.size() - at < length) return std::nullopt;
        field->assign(payload.substr(at, length));
        at += length;
    }
    if (at != payload.size() || !WellFormed(step)) return std::nullopt;
    return step;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string EncodeJournalRecord(const JournalStep& step) {
    if (!WellFormed(step)) throw std::invalid_argument("Journal: a step without the fields its kind needs");
    std::string payload;
    payload += static_cast<char>(step.Kind);
    payload += static_cast<char>(step.HadPrevious ? 1 : 0);
    PutU32(payload, step.PreviousType);
    for (const std::string* field : {&step.Path, &step.Other, &step.Name, &step.Previous}) {
        PutU32(payload, static_cast<std::uint32_t>(field->size()));
        payload += *field;
    }
    if (payload.size() > kMaxJournalRecordBytes) throw std::invalid_argument("Journal: a step too large to record");
    std::string record;
    PutU32(record, static_cast<std::uint32_t>(payload.size()));
    PutU32(record, Crc32(payload));
    return record + payload;
}

JournalReading ReadJournal(std::string_view bytes) {
    JournalReading reading;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8) break;
        const std::uint32_t length = GetU32(bytes, at);
        if (length > kMaxJournalRecordBytes || length > bytes.size() - at - 8) break;
        const std::string_view payload = bytes.substr(at + 8, length);
        if (Crc32(payload) != GetU32(bytes, at + 4)) break;
        const std::optional<JournalStep> step = DecodePayload(payload);
        if (!step) break;
        const bool first = reading.Steps.empty();
        if ((step->Kind == StepKind::Begin) != first || reading.Committed()) break;
        reading.Steps.push_back(std::move(*step));
        at += 8 + length;
        reading.ValidBytes = at;
    }
    reading.Torn = reading.ValidBytes != bytes.size();
    return reading;
}

std::string DescribeStep(const JournalStep& step) {
    const std::string key = step.Other + "\\" + step.Path;
    switch (step.Kind) {
    case StepKind::Begin: return "installation into " + step.Path;
    case StepKind::FolderCreated: return "folder " + step.Path + " created";
    case StepKind::FileCreated: return "file " + step.Path + " created";
    case StepKind::FileReplaced: return "file " + step.Path + " replaced (backup " + step.Other + ")";
    case StepKind::ShortcutCreated: return "shortcut " + step.Path + " created";
    case StepKind::ShortcutReplaced: return "shortcut " + step.Path + " replaced (backup " + step.Other + ")";
    case StepKind::SettingsFileCreated: return "settings file " + step.Path + " created";
    case StepKind::KeyCreated: return "registry key " + key + " created";
    case StepKind::ValueSet:
        return "registry value " + key + " " + step.Name + (step.HadPrevious ? " changed" : " created");
    case StepKind::SettingWritten:
        return "setting [" + step.Other + "] " + step.Name + " in " + step.Path +
               (step.HadPrevious ? " changed" : " created");
    case StepKind::Committed: return "commit";
    }
    return "unknown step";
}

}  // namespace transaction

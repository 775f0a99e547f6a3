#include "app/release/ReleaseAcceptance.h"

#include <cstdio>

namespace release {

TReleaseDecision AcceptRelease(std::string_view manifest, std::string_view product, std::uint64_t floor,
                               std::int64_t now) {
    TManifestResult parsed = ParseReleaseManifest(manifest, product);
    TReleaseDecision decision;
    if (!parsed.Release) {
        decision.Why = Refusal::Format;
        decision.Reason = std::move(parsed.Reason);
        decision.Line = parsed.Line;
        return decision;
    }
    decision.Version = parsed.Release->Version;
    decision.Expires = parsed.Release->Expires;
    if (parsed.Release->Sequence < floor) {
        decision.Why = Refusal::Rollback;
        decision.Reason = "sequence " + std::to_string(parsed.Release->Sequence) + " is lower than " +
                          std::to_string(floor) + ", the lowest this machine accepts";
    } else if (now >= parsed.Release->Expires) {
        decision.Why = Refusal::Expired;
        decision.Reason = "it expired at " + UtcText(parsed.Release->Expires) + " and the clock says " + UtcText(now);
    } else {
        decision.Release = std::move(parsed.Release);
        return decision;
    }
    decision.Line = decision.Why == Refusal::Rollback ? parsed.Release->SequenceLine : parsed.Release->ExpiresLine;
    return decision;
}

std::string UtcText(std::int64_t seconds) {
    // Days to a civil date (the proleptic Gregorian calendar), after Howard Hinnant's algorithm.
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld UTC", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest % 3600 / 60));
    return text;
}

}  // namespace release

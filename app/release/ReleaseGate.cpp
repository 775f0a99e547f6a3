#include "app/release/ReleaseGate.h"

#include <windows.h>

#include "app/install/ReleaseSequence.h"
#include "app/log/InstallLog.h"
#include "app/release/RefusalText.h"
#include "app/release/ReleaseCheck.h"
#include "app/release/ReleaseKeys.h"
#include "ProductInfo.h"

#include <algorithm>

namespace release {

namespace {

// The system clock, UTC, in seconds since 1970-01-01T00:00:00Z.
std::int64_t UtcNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000) - 11644473600LL;
}

[[noreturn]] void Refuse(const TReleaseDecision& decision) {
    LogLine(RefusalLogLine(decision));
    throw ReleaseRefusedError(RefusalText(decision));
}

}  // namespace

TRelease AcceptServedRelease(const TBoundedFetch& fetch) {
    const std::string manifest = fetch(kManifestName, kMaxManifestBytes);
    if (manifest.size() > kMaxManifestBytes) {
        // Its signature could not be checked over bytes that were never all read.
        TReleaseDecision decision;
        decision.Why = Refusal::Format;
        decision.Reason = "larger than 64 KiB";
        Refuse(decision);
    }
    const std::string signature = fetch(kSignatureName, kSignatureBytes);
    const std::uint64_t recorded = install::RecordedReleaseSequence();
    const std::uint64_t floor = std::max(recorded, kMinReleaseSequence);
    TReleaseDecision decision = DecideRelease(manifest, signature, kReleaseKeys, QUORVANE_PRODUCT_NAME, floor, UtcNow());
    if (!decision.Release) Refuse(decision);
    const TRelease& release = *decision.Release;
    LogLine("Release " + release.Version + ", sequence " + std::to_string(release.Sequence) + " (lowest accepted " +
            std::to_string(floor) + "), expires " + UtcText(release.Expires) + ", " +
            std::to_string(release.Files.size()) + " files, " + std::to_string(release.Mirrors.size()) + " mirrors");
    return std::move(*decision.Release);
}

}  // namespace release

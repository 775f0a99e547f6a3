#include "app/download/ReleaseGate.h"

#include <windows.h>

#include "app/download/BoundedBody.h"
#include "app/install/ReleaseSequence.h"
#include "app/log/InstallLog.h"
#include "app/release/RefusalText.h"
#include "app/release/ReleaseCheck.h"
#include "app/release/ReleaseKeys.h"
#include "ProductInfo.h"

#include <algorithm>

namespace download {

using namespace release;

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

// The body of `name`, or a refusal for `why` when it is longer than `bound`: its signature could
// not be checked over bytes that were never all read.
std::string FetchWithin(const TBoundedFetch& fetch, const char* name, std::size_t bound, Refusal why,
                        const char* reason) {
    try {
        return fetch(name, bound);
    } catch (const BodyPastBound&) {
        TReleaseDecision decision;
        decision.Why = why;
        decision.Reason = reason;
        Refuse(decision);
    }
}

}  // namespace

TRelease AcceptServedRelease(const TBoundedFetch& fetch) {
    const std::string manifest =
        FetchWithin(fetch, kManifestName, kMaxManifestBytes, Refusal::Format, "larger than 64 KiB");
    const std::string signature =
        FetchWithin(fetch, kSignatureName, kSignatureBytes, Refusal::Signature, "the signature is not 64 bytes");
    const std::uint64_t recorded = install::RecordedReleaseSequence();
    const std::uint64_t floor = std::max(recorded, kMinReleaseSequence);
    TReleaseDecision decision =
        DecideRelease(manifest, signature, kReleaseKeys, QUORVANE_PRODUCT_NAME, floor, UtcNow());
    if (!decision.Release) Refuse(decision);
    const TRelease& release = *decision.Release;
    LogLine("Release " + release.Version + ", sequence " + std::to_string(release.Sequence) + " (lowest accepted " +
            std::to_string(floor) + "), expires " + UtcText(release.Expires) + ", " +
            std::to_string(release.Files.size()) + " files, " + std::to_string(release.Mirrors.size()) + " mirrors");
    return std::move(*decision.Release);
}

}  // namespace download

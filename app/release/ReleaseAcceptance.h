#pragma once
// Whether a release whose signature verified may be installed on this machine: its fields
// (ReleaseManifest.h), then its sequence against the highest one this machine or this build has
// seen (a rollback to an older, perhaps vulnerable, release), then its expiry against the clock
// (a server frozen on an old release). Each refusal says which, so that the user is told what to
// do about it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/release/ReleaseManifest.h"

namespace release {

enum class Refusal {
    None,
    Signature,  // not signed by a key of this installer: nothing of it was read
    Format,     // not a manifest of format 1, or not of this product
    Rollback,   // older than what was installed, or than the build accepts
    Expired,    // its expiry has passed
};

struct TReleaseDecision {
    std::optional<TRelease> Release;  // set when accepted
    Refusal Why = Refusal::None;
    std::string Reason;        // English, for the log
    std::size_t Line = 0;      // the manifest's line it concerns; 0: the whole manifest
    std::string Version;       // a refused release's version, once its fields were read
    std::int64_t Expires = 0;  // a refused release's expiry, once its fields were read
};

// `manifest` has passed its signature check. `floor` is max(the recorded sequence, the build's
// lowest); the same sequence is accepted, so that a release can be installed again (a repair).
// `now` and the expiry are seconds since 1970-01-01T00:00:00Z: a manifest is usable until the
// second before `expires`.
TReleaseDecision AcceptRelease(std::string_view manifest, std::string_view product, std::uint64_t floor,
                               std::int64_t now);

// "YYYY-MM-DD hh:mm UTC", how the boxes and the log write an expiry.
std::string UtcText(std::int64_t seconds);

}  // namespace release

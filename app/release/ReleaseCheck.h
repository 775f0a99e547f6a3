#pragma once
// The whole check of a downloaded release manifest: its signature over the exact bytes first, and
// only when one of the keys verifies it, its fields. A refusal's reason names which failed.
#include <span>
#include <string_view>

#include "app/release/ManifestSignature.h"
#include "app/release/ReleaseAcceptance.h"
#include "app/release/ReleaseManifest.h"

namespace release {

TManifestResult CheckReleaseManifest(std::string_view manifest, std::string_view signature,
                                     std::span<const ReleaseKey> keys, std::string_view product);

// What the installer decides before it downloads a file: the signature, then AcceptRelease.
TReleaseDecision DecideRelease(std::string_view manifest, std::string_view signature, std::span<const ReleaseKey> keys,
                               std::string_view product, std::uint64_t floor, std::int64_t now);

}  // namespace release

#pragma once
// The release manifest's signature: 64 bytes, the raw r||s of an ECDSA P-256 signature over the
// SHA-256 of the manifest's exact bytes, checked with the system's CNG against the public keys the
// installer was built with. This header stays free of windows.h: the build's generated key header
// includes it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace release {

inline constexpr std::size_t kSignatureBytes = 64;

// The X and Y coordinates of a P-256 public key, 32 bytes each, big-endian.
struct ReleaseKey {
    std::array<std::uint8_t, 64> XY;
};

enum class SignatureVerdict {
    Verified,      // one of the keys verifies it
    WrongLength,   // not 64 bytes: no signature of this form
    NoKeyMatches,  // well formed, but none of the keys verifies it over these bytes
    Unavailable,   // the system refused a key or offers no ECDSA P-256
};

SignatureVerdict VerifyManifestSignature(std::string_view manifest, std::string_view signature,
                                         std::span<const ReleaseKey> keys);

}  // namespace release

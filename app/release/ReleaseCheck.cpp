#include "app/release/ReleaseCheck.h"

namespace release {

namespace {

const char* SignatureFault(SignatureVerdict verdict) {
    switch (verdict) {
    case SignatureVerdict::WrongLength: return "the signature is not 64 bytes";
    case SignatureVerdict::NoKeyMatches: return "the signature is not made by a key of this installer";
    case SignatureVerdict::Unavailable: return "the system cannot check an ECDSA P-256 signature";
    case SignatureVerdict::Verified: break;
    }
    return nullptr;
}

}  // namespace

TManifestResult CheckReleaseManifest(std::string_view manifest, std::string_view signature,
                                     std::span<const ReleaseKey> keys, std::string_view product) {
    if (const char* fault = SignatureFault(VerifyManifestSignature(manifest, signature, keys))) {
        TManifestResult refused;
        refused.Reason = fault;
        return refused;
    }
    return ParseReleaseManifest(manifest, product);
}

TReleaseDecision DecideRelease(std::string_view manifest, std::string_view signature, std::span<const ReleaseKey> keys,
                               std::string_view product, std::uint64_t floor, std::int64_t now) {
    if (const char* fault = SignatureFault(VerifyManifestSignature(manifest, signature, keys))) {
        TReleaseDecision refused;
        refused.Why = Refusal::Signature;
        refused.Reason = fault;
        return refused;
    }
    return AcceptRelease(manifest, product, floor, now);
}

}  // namespace release

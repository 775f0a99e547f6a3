#include "app/release/ManifestSignature.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "app/verify/Sha256.h"

namespace release {

namespace {

struct CloseAlgorithm {
    void operator()(BCRYPT_ALG_HANDLE algorithm) const noexcept { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct DestroyKey {
    void operator()(BCRYPT_KEY_HANDLE key) const noexcept { BCryptDestroyKey(key); }
};
using Algorithm = std::unique_ptr<std::remove_pointer_t<BCRYPT_ALG_HANDLE>, CloseAlgorithm>;
using Key = std::unique_ptr<std::remove_pointer_t<BCRYPT_KEY_HANDLE>, DestroyKey>;

// BCRYPT_ECCPUBLIC_BLOB: the blob header, then X and Y.
struct PublicBlob {
    BCRYPT_ECCKEY_BLOB Header;
    std::uint8_t XY[64];
};

Key ImportKey(BCRYPT_ALG_HANDLE algorithm, const ReleaseKey& key) {
    PublicBlob blob{{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32}, {}};
    std::copy(key.XY.begin(), key.XY.end(), blob.XY);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, reinterpret_cast<PUCHAR>(&blob),
                            sizeof blob, 0) < 0)
        return nullptr;
    return Key(handle);
}

}  // namespace

SignatureVerdict VerifyManifestSignature(std::string_view manifest, std::string_view signature,
                                         std::span<const ReleaseKey> keys) {
    if (signature.size() != kSignatureBytes) return SignatureVerdict::WrongLength;
    verify::Sha256Digest digest;
    try {
        verify::Sha256 hash;
        hash.Update(manifest.data(), manifest.size());
        digest = hash.Finish();
    } catch (const std::runtime_error&) {
        return SignatureVerdict::Unavailable;
    }
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (BCryptOpenAlgorithmProvider(&handle, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) < 0)
        return SignatureVerdict::Unavailable;
    const Algorithm algorithm(handle);
    std::uint8_t rs[kSignatureBytes];
    std::copy(signature.begin(), signature.end(), rs);
    for (const ReleaseKey& key : keys) {
        const Key imported = ImportKey(algorithm.get(), key);
        if (!imported) return SignatureVerdict::Unavailable;
        if (BCryptVerifySignature(imported.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()), rs,
                                  sizeof rs, 0) == 0)
            return SignatureVerdict::Verified;
    }
    return SignatureVerdict::NoKeyMatches;
}

}  // namespace release

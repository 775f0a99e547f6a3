#include "app/verify/Sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

namespace verify {

namespace {

void Check(NTSTATUS status, const char* what) {
    if (status < 0) throw std::runtime_error(std::string("SHA-256: ") + what + " failed");
}

}  // namespace

Sha256::Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    Check(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0), "BCryptOpenAlgorithmProvider");
    algorithm_ = algorithm;
    try {
        Open();
    } catch (...) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
        throw;
    }
}

Sha256::~Sha256() {
    Close();
    BCryptCloseAlgorithmProvider(static_cast<BCRYPT_ALG_HANDLE>(algorithm_), 0);
}

// Windows 7 has no reusable hash objects (BCRYPT_HASH_REUSABLE_FLAG came with 8): a finished or
// restarted hash is a new object. The system allocates the object's memory itself.
void Sha256::Open() {
    BCRYPT_HASH_HANDLE hash = nullptr;
    Check(BCryptCreateHash(static_cast<BCRYPT_ALG_HANDLE>(algorithm_), &hash, nullptr, 0, nullptr, 0, 0),
          "BCryptCreateHash");
    hash_ = hash;
}

void Sha256::Close() noexcept {
    if (hash_) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(hash_));
    hash_ = nullptr;
}

void Sha256::Reset() {
    Close();
    Open();
}

void Sha256::Update(const void* data, std::size_t size) {
    if (!hash_) Open();
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG block = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
        Check(BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(hash_), bytes, block, 0), "BCryptHashData");
        bytes += block;
        size -= block;
    }
}

Sha256Digest Sha256::Finish() {
    if (!hash_) Open();
    Sha256Digest digest{};
    const NTSTATUS status =
        BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(hash_), digest.data(), static_cast<ULONG>(digest.size()), 0);
    Close();
    Check(status, "BCryptFinishHash");
    return digest;
}

std::string HexDigest(const Sha256Digest& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace verify

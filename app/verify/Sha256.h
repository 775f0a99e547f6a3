#pragma once
// SHA-256 through the system's CNG (bcrypt.dll, part of every Windows since Vista), fed block by
// block while a download arrives. Restartable: Reset starts a new hash on the same object, for a
// body that starts again from its first byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace verify {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    // Throws std::runtime_error when the system offers no SHA-256.
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Reset();
    void Update(const void* data, std::size_t size);
    // The digest of everything fed since the last Reset; the next Update starts a new hash.
    Sha256Digest Finish();

private:
    void Open();
    void Close() noexcept;

    void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE
    void* hash_ = nullptr;       // BCRYPT_HASH_HANDLE
};

std::string HexDigest(const Sha256Digest& digest);

}  // namespace verify

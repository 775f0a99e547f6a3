#pragma once
// app/release owns the release manifest: its parser (here, with ManifestValues.h), the check of its
// signature with the keys the build embeds (ManifestSignature.h) and the release it accepts
// (ReleaseCheck.h).
//
// The release manifest, format 1: what one release of the product is (its version, its sequence
// number, until when its description may be used, where else its files are served) and each of its
// files with the size and SHA-256 the installer must receive. Read only after its signature has
// been checked against the exact bytes (ReleaseCheck.h); this part never sees windows.h.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/release/ManifestValues.h"

namespace release {

inline constexpr std::size_t kMaxManifestBytes = 64 * 1024;
inline constexpr std::size_t kMaxMirrors = 8;
inline constexpr std::size_t kMaxFiles = 256;
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 40;

struct TReleaseFile {
    std::string Name;
    std::uint64_t Size = 0;
    Sha256Bytes Sha256{};
};

struct TRelease {
    std::string Product;
    std::string Version;
    std::uint64_t Sequence = 0;
    std::int64_t Expires = 0;          // seconds since 1970-01-01T00:00:00Z
    std::vector<std::string> Mirrors;  // in the order they are to be tried
    std::vector<TReleaseFile> Files;   // in the manifest's order
    // The lines of the sequence and of the expiry, which a refusal of the release names.
    std::size_t SequenceLine = 0, ExpiresLine = 0;
};

// Either the release or why the manifest was refused: Reason in English for the log, Line the
// manifest's 1-based line it concerns, 0 when it concerns the whole manifest (its size, a line
// that is missing).
struct TManifestResult {
    std::optional<TRelease> Release;
    std::string Reason;
    std::size_t Line = 0;
};

// `product` is the build's product name, which the manifest's must equal.
TManifestResult ParseReleaseManifest(std::string_view bytes, std::string_view product);

// The release's files with those named in `first` (compared without regard to case, as Windows
// names files) at the front in that order, then the others in the manifest's order: the product's
// own files keep the order the installer always fetched and copied them in.
std::vector<const TReleaseFile*> FilesInOrder(const TRelease& release, std::span<const char* const> first);

}  // namespace release

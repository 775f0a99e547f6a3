#pragma once
// The benchmarks serve a 256 MiB quorvane.exe made when they run; their scripts publish it
// (bench/support/publish-served.sh) with the build's development key, and the programs take what
// to expect of it from that signed manifest, checked as the installer checks it. FileHash times
// CNG's SHA-256 over the file itself, which bounds what the check can cost.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ProductInfo.h"
#include "app/release/ReleaseCheck.h"
#include "app/release/ReleaseKeys.h"
#include "app/verify/Sha256.h"

namespace benchrelease {

// The release published in `folder` (a Windows path), refused as the installer would refuse it.
inline release::TRelease ServedRelease(const std::string& folder) {
    const auto read = [&](const char* name) {
        std::ifstream file(folder + "\\" + name, std::ios::binary);
        if (!file) throw std::runtime_error("no " + std::string(name) + " in " + folder);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    release::TManifestResult checked = release::CheckReleaseManifest(
        read("release.manifest"), read("release.manifest.sig"), release::kReleaseKeys, QUORVANE_PRODUCT_NAME);
    if (!checked.Release) throw std::runtime_error("the served release is refused: " + checked.Reason);
    return std::move(*checked.Release);
}

// The release's file of that name.
inline const release::TReleaseFile& FileOf(const release::TRelease& release, const std::string& name) {
    for (const release::TReleaseFile& file : release.Files)
        if (file.Name == name) return file;
    throw std::runtime_error("the served release has no " + name);
}

// The size and SHA-256 of the file at `path`, read now through CNG.
inline release::TReleaseFile FileHash(const std::string& name, const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    std::unique_ptr<void, decltype(&CloseHandle)> closer(file, &CloseHandle);
    verify::Sha256 hash;
    std::vector<char> block(1 << 20);
    std::uint64_t size = 0;
    DWORD got = 0;
    while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
        hash.Update(block.data(), got);
        size += got;
    }
    return {name, size, hash.Finish()};
}

}  // namespace benchrelease

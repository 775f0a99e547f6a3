#pragma once
// The benchmarks serve a 256 MiB file made when they run, so they pin it when they start: its
// size and SHA-256, read once before anything is timed. Only benchmarks do this; the installers
// link the table pinned at build time.
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/verify/PinnedFiles.h"

namespace benchpin {

inline verify::TPinnedFile PinFromFile(const char* name, const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path + " to pin it");
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

}  // namespace benchpin

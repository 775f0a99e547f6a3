#pragma once
// The size of a file its caller holds open: the socket layer's file stream, the download cache's
// held files and the transaction's journal read it the same way. Header only, so that net/ and app/
// share it without depending on each other.
#include <windows.h>

#include <cstdint>
#include <optional>

namespace files {

// None when the system cannot tell (a handle without the right to read attributes, a device).
inline std::optional<std::uint64_t> SizeOf(HANDLE file) noexcept {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace files

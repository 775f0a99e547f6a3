#pragma once
// The size and SHA-256 of each file of the product, pinned when the installer is built: a file
// that differs from them is never installed, whoever served it.
#include <cstdint>
#include <string_view>

#include "app/verify/Sha256.h"

namespace verify {

struct TPinnedFile {
    const char* Name;
    std::uint64_t Size;
    Sha256Digest Sha256;
};

}  // namespace verify

// The pinned file of that name, or nullptr. Defined by the program that links the wizard: the
// installers link the source generated at build time from QUORVANE_PRODUCT_DIR
// (cmake/PinProductFiles.cmake), so nothing at run time can change or skip what is pinned.
const verify::TPinnedFile* PinnedFile(std::string_view name);

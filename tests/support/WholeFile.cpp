#include "tests/support/WholeFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "encoding/TextEncoding.h"

namespace testsupport {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(encoding::WidenPath(path)), std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(std::filesystem::path(encoding::WidenPath(path)), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace testsupport

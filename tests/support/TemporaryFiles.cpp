#include "tests/support/TemporaryFiles.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

#include "encoding/TextEncoding.h"

namespace testsupport {

std::string TempFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0) throw std::runtime_error("no temporary folder");
    return encoding::NarrowPath(folder);
}

std::string TempPath(std::string_view name) {
    return TempFolder() + std::string(name) + "-" + std::to_string(GetCurrentProcessId());
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(encoding::WidenPath(path)), ignored);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(encoding::WidenPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(encoding::WidenPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TemporaryFolder::TemporaryFolder(std::string_view name) : TemporaryFile(name) {
    path_ += "\\";
    if (!CreateDirectoryW(encoding::WidenPath(path_).c_str(), nullptr))
        throw std::runtime_error("cannot create " + path_ + ": error " + std::to_string(GetLastError()));
}

}  // namespace testsupport

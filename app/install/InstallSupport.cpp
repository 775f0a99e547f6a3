#include "app/install/InstallSupport.h"

#include "encoding/TextEncoding.h"

#include <bcrypt.h>

#include <cstdio>

namespace install {

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "system error " + std::to_string(code);
    return encoding::NarrowPath(text);
}

std::string RandomSuffix(const std::string& what) {
    unsigned char bytes[8] = {};
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw InstallError("Cannot name " + what + ": no random numbers");
    char text[2 * sizeof bytes + 1] = {};
    for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

std::string Quoted(const std::string& path) { return '"' + path + '"'; }

std::string WithBackslash(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

bool RemoveFolderAndFiles(const std::string& folder) noexcept {
    std::wstring wide;
    try {
        wide = encoding::WidenPath(folder);
    } catch (...) {
        return false;  // no memory left to name it: the folder stays, nothing else is harmed
    }
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((wide + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring path = wide + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
            else if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0)
                RemoveDirectoryW(path.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    return RemoveDirectoryW(wide.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace install

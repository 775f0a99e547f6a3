#include "app/install/DownloadFolder.h"

#include "app/install/InstallSupport.h"
#include "ui/Text.h"

#include <bcrypt.h>

#include <cstdio>
#include <vector>

namespace install {
namespace {

constexpr int kNameAttempts = 8;

// Random, so that no other process can guess the name and prepare the folder in advance; the
// exclusive creation below is what guarantees it is ours.
std::string RandomSuffix() {
    unsigned char bytes[8] = {};
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw InstallError("Cannot name the download folder: no random numbers");
    char text[2 * sizeof bytes + 1] = {};
    for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

// "C:\..." or "\\server\share\...": a relative path would put the download in the current
// directory, a bare "\..." on the root of the current drive.
bool IsAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

}  // namespace

std::string ReadTempPath() {
    std::vector<wchar_t> buffer(MAX_PATH + 2);
    DWORD length = GetTempPathW(DWORD(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetTempPathW(DWORD(buffer.size()), buffer.data());
    }
    if (length == 0 || length >= buffer.size()) return {};
    return ui::NarrowPath(std::wstring_view(buffer.data(), length));
}

DownloadFolder::DownloadFolder(const std::string& tempPath) {
    if (tempPath.empty()) throw InstallError("The system gives no temporary folder to download into");
    const std::wstring temp = ui::WidenPath(WithBackslash(tempPath));
    if (!IsAbsolute(temp))
        throw InstallError("The temporary folder \"" + tempPath + "\" cannot be used: it is not a full path");
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = "Quorvane-" + RandomSuffix() + "\\";
        if (CreateDirectoryW((temp + ui::WidenPath(name)).c_str(), nullptr)) {
            path_ = ui::NarrowPath(temp) + name;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw InstallError("Cannot make a folder in the temporary folder " + tempPath + ": " +
                               SystemErrorText(error));
    }
    throw InstallError("Cannot make a new folder in the temporary folder " + tempPath);
}

// Never recursive: an elevated process must not follow a junction another process put here
// into folders it may not otherwise delete. A subfolder goes only when empty (or when it is such
// a link: removing one removes the link, not what it points to).
DownloadFolder::~DownloadFolder() {
    std::wstring folder;
    try {
        folder = ui::WidenPath(path_);
    } catch (...) {
        return;  // no memory left to name it: the folder stays, nothing else is harmed
    }
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring path = folder + entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
            else if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0)
                RemoveDirectoryW(path.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace install

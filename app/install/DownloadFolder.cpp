#include "app/install/DownloadFolder.h"

#include "app/install/InstallSupport.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"

#include <bcrypt.h>
#include <sddl.h>

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

// Whether this process runs with an administrator's full token: what it writes under the user's
// temporary folder must then be out of reach of the user's own, unelevated, processes.
bool RunsElevated() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const ui::OwnedHandle token(opened);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// Full control for SYSTEM and the administrators, inherited by the files made in the folder,
// and nothing inherited from the temporary folder (P: protected), which the user controls.
constexpr wchar_t kElevatedFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// The security descriptor an elevated run gives its folder; null (the inherited rights) otherwise.
std::unique_ptr<void, LocalFreer> FolderSecurity() {
    if (!RunsElevated()) return nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kElevatedFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        throw InstallError("Cannot protect the download folder: " + SystemErrorText(GetLastError()));
    return std::unique_ptr<void, LocalFreer>(descriptor);
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
    return encoding::NarrowPath(std::wstring_view(buffer.data(), length));
}

DownloadFolder::DownloadFolder(const std::string& tempPath) {
    if (tempPath.empty()) throw InstallError("The system gives no temporary folder to download into");
    const std::wstring temp = encoding::WidenPath(WithBackslash(tempPath));
    if (!IsAbsolute(temp))
        throw InstallError("The temporary folder \"" + tempPath + "\" cannot be used: it is not a full path");
    const auto security = FolderSecurity();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = "Quorvane-" + RandomSuffix() + "\\";
        if (CreateDirectoryW((temp + encoding::WidenPath(name)).c_str(), &attributes)) {
            path_ = encoding::NarrowPath(temp) + name;
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
    held_.clear();  // a held file cannot be deleted
    std::wstring folder;
    try {
        folder = encoding::WidenPath(path_);
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

HeldDownload& DownloadFolder::Hold(const std::string& name) {
    if (HeldDownload* held = Find(name)) {
        held->Empty();
        return *held;
    }
    held_.push_back(std::make_unique<HeldDownload>(path_, name));
    return *held_.back();
}

HeldDownload* DownloadFolder::Find(std::string_view name) const {
    for (const auto& file : held_)
        if (file->Name() == name) return file.get();
    return nullptr;
}

}  // namespace install

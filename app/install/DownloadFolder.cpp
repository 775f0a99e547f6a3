#include "app/install/DownloadFolder.h"

#include "app/install/InstallSupport.h"
#include "app/install/ProtectedDataFolder.h"
#include "ui/Text.h"

#include <cstdio>
#include <vector>

namespace install {
namespace {

constexpr int kNameAttempts = 8;

// "C:\..." or "\\server\share\...": a relative path would put the download in the current
// directory, a bare "\..." on the root of the current drive.
bool IsAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

// The security descriptor an elevated run gives its folder, whose files must then be out of reach
// of the user's own, unelevated, processes; null (the inherited rights) otherwise.
std::unique_ptr<void, LocalFreer> FolderSecurity() { return RunsElevated() ? AdministratorsOnlySecurity() : nullptr; }

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
    const auto security = FolderSecurity();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = "Quorvane-" + RandomSuffix("the download folder") + "\\";
        if (CreateDirectoryW((temp + ui::WidenPath(name)).c_str(), &attributes)) {
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

DownloadFolder::~DownloadFolder() {
    held_.clear();  // a held file cannot be deleted
    RemoveFolderAndFiles(path_);
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

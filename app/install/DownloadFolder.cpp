#include "app/install/DownloadFolder.h"

#include "app/install/FolderSweep.h"
#include "app/install/InstallSupport.h"
#include "app/install/ProtectedFolder.h"
#include "ui/OwnedHandle.h"
#include "ui/Text.h"

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
    // In an elevated run, only SYSTEM and the administrators: the temporary folder is the user's.
    const FolderRights rights = RightsForThisRun();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = UnguessableName("Quorvane-");
        if (MakeFolder(temp + ui::WidenPath(name), rights)) {
            path_ = ui::NarrowPath(temp) + name + "\\";
            return;
        }
    }
    throw InstallError("Cannot make a new folder in the temporary folder " + tempPath);
}

DownloadFolder::~DownloadFolder() {
    held_.clear();  // a held file cannot be deleted
    try {
        const std::wstring folder = ui::WidenPath(path_);
        SweepFolder(folder, [](const SweptFile&) { return true; });
        RemoveDirectoryW(folder.c_str());
    } catch (...) {
        // No memory left to go through it: the folder stays, nothing else is harmed.
    }
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

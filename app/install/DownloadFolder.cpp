#include "app/install/DownloadFolder.h"

#include "app/install/FolderSweep.h"
#include "app/install/InstallSupport.h"
#include "app/install/PrivateFolder.h"
#include "encoding/TextEncoding.h"

#include <vector>

namespace install {

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

DownloadFolder::DownloadFolder(const std::string& tempPath)
    : path_(MakePrivateFolder(tempPath, "Quorvane-", "the download folder")) {}

DownloadFolder::~DownloadFolder() {
    held_.clear();  // a held file cannot be deleted
    try {
        const std::wstring folder = encoding::WidenPath(path_);
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

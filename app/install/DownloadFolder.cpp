#include "app/install/DownloadFolder.h"

#include "app/install/PrivateFolder.h"
#include "ui/Text.h"

#include <windows.h>

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
    return ui::NarrowPath(std::wstring_view(buffer.data(), length));
}

DownloadFolder::DownloadFolder(const std::string& tempPath)
    : path_(MakePrivateFolder(tempPath, "Quorvane-", "the download folder")) {}

// Never recursive: an elevated process must not follow a junction another process put here
// into folders it may not otherwise delete. A subfolder goes only when empty (or when it is such
// a link: removing one removes the link, not what it points to).
DownloadFolder::~DownloadFolder() {
    held_.clear();  // a held file cannot be deleted
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

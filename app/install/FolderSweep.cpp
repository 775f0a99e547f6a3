#include "app/install/FolderSweep.h"

#include "app/log/LinkCheck.h"
#include "ui/OwnedHandle.h"

namespace install {
namespace {

enum class Verdict { Keep, Remove, LinkLeft };

// Marks the open entry for deletion when its last handle closes: the entry reached by this handle,
// never whatever its name leads to by then. A folder that is not empty refuses.
void RemoveOnClose(HANDLE entry) {
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(entry, FileDispositionInfo, &remove, sizeof remove);
}

Verdict Judge(HANDLE entry, const std::wstring& path, const WIN32_FIND_DATAW& found,
              const std::function<bool(const SweptFile&)>& remove) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(entry, &information)) return Verdict::Keep;
    // Opened as itself: removing this handle's entry removes the link alone.
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Verdict::Remove;
    // Listed as a link but opened as what it points to, or reached under another name.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || installlog::IsLink(entry, path))
        return Verdict::LinkLeft;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Verdict::Remove;
    if (information.nNumberOfLinks > 1) return Verdict::Remove;
    SweptFile file{found.cFileName, (std::uint64_t(information.nFileSizeHigh) << 32) | information.nFileSizeLow,
                   information.ftLastWriteTime};
    return remove(file) ? Verdict::Remove : Verdict::Keep;
}

}  // namespace

bool SweepFolder(const std::wstring& folder, const std::function<bool(const SweptFile&)>& remove) {
    bool noLinkLeft = true;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return true;
    do {
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
        const std::wstring path = folder + found.cFileName;
        // Shared with everyone, as a sweep must not stop another run; one that holds a file
        // without sharing its deletion (a download in progress) keeps it.
        const ui::OwnedHandle entry(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING,
                                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!entry.Valid()) continue;
        switch (Judge(entry.Get(), path, found, remove)) {
        case Verdict::Remove: RemoveOnClose(entry.Get()); break;
        case Verdict::LinkLeft: noLinkLeft = false; break;
        case Verdict::Keep: break;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return noLinkLeft;
}

}  // namespace install

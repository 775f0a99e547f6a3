#include "app/log/LinkCheck.h"

#include "ui/OwnedHandle.h"

#include <vector>

namespace installlog {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The name the system gives the open file or folder, "\Device\...\name" with long names; empty
// when it gives none.
std::wstring FinalName(HANDLE file) {
    std::vector<wchar_t> name(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFinalPathNameByHandleW(file, name.data(), DWORD(name.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
        if (length == 0) return {};
        if (length < name.size()) return std::wstring(name.data(), length);
        name.resize(length + 1);
    }
    return {};
}

// Whether the system reached `file` through a link in the last component of `path` although it
// was asked not to: Windows opens a link itself under FILE_FLAG_OPEN_REPARSE_POINT, but Wine
// follows a Unix symbolic link whatever the flag. The open file's name then differs from the
// name it was asked by, in its folder as the system names that folder (links in the folders
// above are the caller's choice and are followed alike). When the system cannot name either,
// nothing suggests a link.
bool ReachedThroughALink(HANDLE file, const std::wstring& path) {
    std::vector<wchar_t> full(MAX_PATH);
    DWORD length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return false;
    // The long form of its own name: a short 8.3 name is not a link.
    std::vector<wchar_t> longPath(length + MAX_PATH);
    const DWORD longLength = GetLongPathNameW(full.data(), longPath.data(), DWORD(longPath.size()));
    const std::wstring asked = longLength > 0 && longLength < longPath.size()
                                   ? std::wstring(longPath.data(), longLength)
                                   : std::wstring(full.data(), length);
    const std::size_t slash = asked.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return false;
    const ui::OwnedHandle folder(CreateFileW(asked.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.Valid()) return false;
    std::wstring expected = FinalName(folder.Get());
    const std::wstring reached = FinalName(file);
    if (expected.empty() || reached.empty()) return false;
    if (expected.back() == L'\\') expected.pop_back();
    expected += L'\\' + asked.substr(slash + 1);
    return CompareStringOrdinal(expected.c_str(), int(expected.size()), reached.c_str(), int(reached.size()), TRUE) !=
           CSTR_EQUAL;
}

}  // namespace

bool IsLink(HANDLE file, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    return ReachedThroughALink(file, path);
}

}  // namespace installlog

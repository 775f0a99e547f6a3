#include "app/log/LogFileOpen.h"

#include "app/log/LinkCheck.h"
#include "ui/OwnedHandle.h"

namespace installlog {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Open(const std::wstring& path, DWORD disposition) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

OpenedLog OpenLogFile(const std::wstring& path, bool mustBeNew) {
    // An existing file is opened as it is, and emptied only once it is known not to be a link; a
    // missing one is created new, which never goes through a link, not even a dangling one.
    ui::OwnedHandle file(mustBeNew ? INVALID_HANDLE_VALUE : Open(path, OPEN_EXISTING));
    const bool existed = file.Valid();
    if (!existed) {
        if (!mustBeNew && GetLastError() != ERROR_FILE_NOT_FOUND) return {};
        file.Reset(Open(path, CREATE_NEW));
        const DWORD error = GetLastError();
        if (!file.Valid())
            return {INVALID_HANDLE_VALUE,
                    error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? LogOpen::Exists : LogOpen::Failed};
    }
    if (IsLink(file.Get(), path)) return {INVALID_HANDLE_VALUE, LogOpen::Link};
    if (existed && !SetEndOfFile(file.Get())) return {};
    return {file.Release(), LogOpen::Opened};
}

}  // namespace installlog

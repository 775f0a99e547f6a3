#include "app/inuse/FilesInUse.h"

#include "app/inuse/RestartManager.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <windows.h>

namespace inuse {
namespace {

// Write access with no sharing at all: any other open of the file refuses it, and so does the
// image of a running program, on Windows and under Wine alike (whose Restart Manager names no
// one). Nothing is written; a link is opened as itself, never followed.
bool HeldByAnother(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    // Any other refusal (a read-only file, no right) is not a use: the step itself reports it.
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

}  // namespace

TFilesInUse FindFilesInUse(const std::vector<std::string>& paths) {
    TFilesInUse found;
    std::vector<std::wstring> existing;
    std::vector<std::string> existingNames;
    for (const std::string& path : paths) {
        const std::wstring wide = encoding::WidenPath(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        existing.push_back(wide);
        existingNames.push_back(path);
        if (HeldByAnother(wide)) found.Files.push_back(path);
    }
    found.Programs = ProgramsUsing(existing);
    // The Restart Manager saw a holder that shares the file with everyone: which of the files it
    // holds it does not say, so all are named.
    if (found.Files.empty() && !found.Programs.empty()) found.Files = existingNames;
    return found;
}

void WaitUntilNotInUse(const std::vector<std::string>& paths, const AskRetry& ask) {
    for (;;) {
        const TFilesInUse found = FindFilesInUse(paths);
        if (found.Empty()) return;
        const std::string description = DescribeForLog(found);
        LogLine(description);
        if (!ask) throw FilesInUseError(description + ". Nothing was changed.");
        if (!ask(found)) {
            LogLine("Cancelled while files are in use: nothing was changed");
            throw InUseCancelled(description + ". Cancelled: nothing was changed.");
        }
    }
}

}  // namespace inuse

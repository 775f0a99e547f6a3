#pragma once
// Opening the log file of an elevated process in a folder that its user's own processes can write
// to (%TEMP%, or wherever /LOG= points): never through a link in the file's own name, which
// could make the installer overwrite a file of the system.
#include <windows.h>

#include <string>

namespace installlog {

enum class LogOpen {
    Opened,
    Exists,  // the name must be new and is taken (by a file, a folder or a link)
    Link,    // the name is a symbolic link or a junction: not followed, nothing written
    Failed,
};

struct OpenedLog {
    HANDLE file = INVALID_HANDLE_VALUE;  // the caller closes it; valid only when Opened
    LogOpen result = LogOpen::Failed;
};

// For writing, others may read, write and delete it meanwhile. `mustBeNew`: the file is created
// and the name may not exist; otherwise an existing file is emptied, a missing one created.
OpenedLog OpenLogFile(const std::wstring& path, bool mustBeNew);

}  // namespace installlog

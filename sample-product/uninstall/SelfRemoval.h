#pragma once
// The uninstaller removes itself the usual way: a running program's file cannot be deleted, so
// once the removal is done it leaves a copy of itself in a new folder of the temporary path,
// which waits for it to end, then removes it, the record and the folders that held them. The copy
// and its folder go at the next restart.
#include <string>

#include <windows.h>

namespace uninstall {

// This program's own path (UTF-8).
std::string OwnPath();

// Starts the copy for the record in `installFolder`; false (logged) when it cannot be made or
// started: then this program, the record and the folder are left for the next restart instead.
bool StartCleanupCopy(const std::string& installFolder, const std::string& recordPath);

// The copy's whole work once the process `pid` has ended: `original` (the uninstaller, which the
// record beside it must list), the record, then what the record lists that is still there.
// Returns the exit code: 0 when everything went.
int RunCleanup(DWORD pid, const std::string& original);

}  // namespace uninstall

#pragma once
// The programs that hold files, as the system's Restart Manager (rstrtmgr.dll, Vista and later)
// tells them. rstrtmgr.dll is not a KnownDLL: it is loaded on use from the system folder by its
// full path, so that a DLL of that name beside the program (in Downloads, or in the temporary
// folder the uninstaller's copy runs from) is never loaded.
#include <string>
#include <vector>

#include "app/inuse/InUseReport.h"

namespace inuse {

// Empty when the system has no Restart Manager, it fails, or nothing holds the files (Wine's
// always reports nothing). This process itself is left out.
std::vector<TProgram> ProgramsUsing(const std::vector<std::wstring>& paths) noexcept;

}  // namespace inuse

#include "app/DllSearchPath.h"

#include <windows.h>

void RestrictDllSearchPath() noexcept {
    // Looked up at run time: Windows 7 has it only with its update KB2533623. Without it the
    // program's own folder stays in the search, but the current directory is still taken out.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

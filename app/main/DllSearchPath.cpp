#include "app/main/DllSearchPath.h"

#include <windows.h>

#include <string>

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

void LoadFromSystemFolder(std::initializer_list<const wchar_t*> names) noexcept {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    try {
        // Loaded for the rest of the process, as the component would have done.
        for (const wchar_t* name : names) LoadLibraryW((std::wstring(system) + L"\\" + name).c_str());
    } catch (...) {
        // Out of memory for a path: the component then loads it itself, as before.
    }
}

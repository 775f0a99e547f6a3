// Stands in for a DLL someone left beside the installer, named like one that Windows loads on
// demand. Its export tells a test which DLL of that name was loaded, and when it is loaded it
// leaves a marker beside itself: <its path>.loaded.
#include <windows.h>

extern "C" __declspec(dllexport) int QuorvanePlanted() { return 1; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcatW(path, L".loaded");
    const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}

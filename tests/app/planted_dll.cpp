// Stands in for a DLL someone left beside the installer, named like one that Windows loads on
// demand. Its export tells a test which DLL of that name was loaded.
#include <windows.h>

extern "C" __declspec(dllexport) int QuorvanePlanted() { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

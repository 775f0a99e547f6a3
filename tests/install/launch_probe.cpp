// Stands in for the product in the tests of the closing steps: writes the directory it was
// started in to launched.txt in that directory, then ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t dir[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryW(MAX_PATH, dir);
    HANDLE file = CreateFileW(L"launched.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, dir, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return 0;
}

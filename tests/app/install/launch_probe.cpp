// Stands in for the product in the tests of the closing steps: writes the directory it was
// started in to launched.txt in that directory, then ends. The file appears whole (written
// under another name, then renamed) so that a test polling for it never reads half of it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t dir[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryW(MAX_PATH, dir);
    HANDLE file = CreateFileW(L"launched.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, dir, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(L"launched.tmp", L"launched.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

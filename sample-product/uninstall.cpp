// The demo product's uninstaller: removing the product is not part of this demo.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr,
                L"Uninstalling Quorvane is not part of this demo.\n"
                L"La d\u00E9sinstallation de Quorvane ne fait pas partie de cette d\u00E9monstration.",
                L"Quorvane", MB_OK | MB_ICONINFORMATION);
    return 0;
}

// The demo product's updater: this demo has no update server, so it says the product is current.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t language[64] = {};
    GetPrivateProfileStringW(L"Settings", L"langue", L"", language, 64, L"Quorvane_b.ini");
    const bool french = lstrcmpW(language, L"francais") == 0;
    MessageBoxW(nullptr, french ? L"Quorvane est \u00E0 jour." : L"Quorvane is up to date.",
                french ? L"Mise \u00E0 jour de Quorvane" : L"Quorvane update", MB_OK | MB_ICONINFORMATION);
    return 0;
}

// The demo product: one window that shows the product's name and the language the installer
// stored in Quorvane_b.ini (section Settings, key langue), in that language.
#include <windows.h>

#include <string>

namespace {

std::wstring StoredLanguage() {
    wchar_t value[64] = {};
    // No directory: the profile functions look in the Windows directory, where the installer wrote it.
    GetPrivateProfileStringW(L"Settings", L"langue", L"", value, 64, L"Quorvane_b.ini");
    return value;
}

std::wstring LanguageLine(const std::wstring& key) {
    if (key == L"francais") return L"Langue : fran\u00E7ais";
    if (key == L"anglais") return L"Language: English";
    return L"Language: not set (Quorvane_b.ini has no [Settings] langue)";
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT area;
        GetClientRect(hwnd, &area);
        const std::wstring key = StoredLanguage();
        const std::wstring text =
            std::wstring(key == L"francais" ? L"Quorvane De Base" : L"Quorvane Basic") + L"\n\n" + LanguageLine(key);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QuorvaneDemo";
    if (!RegisterClassW(&wc)) return 1;
    HWND window = CreateWindowW(wc.lpszClassName, L"Quorvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                                160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}

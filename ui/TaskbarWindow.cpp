// The application's own top-level window, which carries the task-bar entry. It has no size, so
// nothing of it is ever seen; activating it (a click on the entry) hands the activation to the
// form or to the box the form is waiting on, and closing it from the task bar closes the form.
#include "ui/Application.h"

#include "encoding/TextEncoding.h"

#include <stdexcept>

namespace ui {

namespace {

constexpr wchar_t kTaskbarClass[] = L"QuorvaneApplication";

LRESULT CALLBACK TaskbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE) {
            HWND popup = GetLastActivePopup(hwnd);
            // A form disabled by its modal box hands on to the box.
            if (popup != hwnd && !IsWindowEnabled(popup)) popup = GetLastActivePopup(popup);
            if (popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetActiveWindow(popup);
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) != SC_CLOSE) break;
        [[fallthrough]];
    case WM_CLOSE:
        // The form decides, exactly as for its own close box.
        if (HWND form = Application::Instance().DialogWindow(); form && IsWindow(form))
            PostMessageW(form, WM_CLOSE, 0, 0);
        return 0;
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND Application::TaskbarWindow() {
    if (taskbarWindow_) return taskbarWindow_;
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = TaskbarProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));  // the entry's icon
        wc.lpszClassName = kTaskbarClass;
        return RegisterClassW(&wc);
    }();
    if (!atom) throw std::runtime_error("Cannot register the application's window class");
    // Centred and empty, as the form opens centred: an entry that is activated shows no stray frame.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    // WS_EX_APPWINDOW: the shell gives the window its button even though it has no size.
    taskbarWindow_ =
        CreateWindowExW(WS_EX_APPWINDOW, kTaskbarClass, encoding::WidenMessage(title_).c_str(), WS_POPUP | WS_SYSMENU,
                        x, y, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!taskbarWindow_) throw std::runtime_error("Cannot create the application's window");
    return taskbarWindow_;
}

void Application::ShowTaskbarEntry(bool show) {
    if (taskbarWindow_) ShowWindow(taskbarWindow_, show ? SW_SHOWNA : SW_HIDE);
}

}  // namespace ui

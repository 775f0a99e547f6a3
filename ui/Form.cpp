#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Text.h"

#include <stdexcept>

namespace ui {

namespace {

constexpr wchar_t kFormClass[] = L"QuorvaneForm";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// No WS_EX_APPWINDOW: the application's window, which owns the form, carries the task-bar entry.
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterFormClass() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
        wc.lpszClassName = kFormClass;
        return RegisterClassW(&wc);
    }();
    if (!atom) throw std::runtime_error("Cannot register the form's window class");
}

}  // namespace

Form::~Form() {
    auto& app = Application::Instance();
    if (app.DialogWindow() != hwnd_) return;
    app.SetDialogWindow(nullptr);
    app.ShowTaskbarEntry(false);
}

void Form::Create(const std::string& title, int clientWidth, int clientHeight, const FontStyle& font) {
    RegisterFormClass();
    defaultFont_.Create(font);
    RECT r{0, 0, Scale(clientWidth), Scale(clientHeight)};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    HWND hwnd = CreateWindowExW(kExStyle, kFormClass, Widen(title).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                r.right - r.left, r.bottom - r.top, Application::Instance().TaskbarWindow(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) throw std::runtime_error("Cannot create the form");
    Attach(hwnd);
    // Subclassed only now that the wrapper is attached: the trampoline never sees a half-made form.
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::Proc));
    font_ = defaultFont_;
    Application::Instance().SetDialogWindow(hwnd);
}

void Form::Show() {
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Application::Instance().ShowTaskbarEntry(true);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void Form::KeepFocusUsable() noexcept {
    if (!hwnd_ || GetActiveWindow() != hwnd_) return;
    HWND focus = GetFocus();
    if (focus == hwnd_ || (focus && IsWindowVisible(focus) && IsWindowEnabled(focus))) return;
    HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    SetFocus(first && IsWindowVisible(first) && IsWindowEnabled(first) ? first : hwnd_);
}

void Form::Close() {
    if (closed_) return;
    closed_ = true;
    if (OnClose) {
        try {
            OnClose();
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
    }
    if (mainForm_) Application::Instance().Terminate();
}

LRESULT CALLBACK Form::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // The only place Windows calls the form: no exception may go back into the system.
    try {
        if (auto* self = static_cast<Form*>(FromHandle(hwnd))) return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool Form::HandleDialogCommand(WPARAM wp, LPARAM lp) {
    // The dialog manager sends Enter as the default id (or IDOK) with no or a foreign control
    // handle; IDCANCEL (Escape) is dropped because the form has no cancel button.
    const int id = LOWORD(wp);
    if (Window::FromHandle(reinterpret_cast<HWND>(lp))) return false;
    if (defaultButton_ && (id == IDOK || id == defaultButton_->Id())) defaultButton_->Click();
    return true;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (RouteToChild(hwnd_, msg, wp, lp, result)) return result;
    switch (msg) {
    case DM_GETDEFID:
        if (defaultButton_) return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
        return 0;
    case WM_COMMAND:
        if (HandleDialogCommand(wp, lp)) return 0;
        break;
    case WM_CLOSE: Close(); return 0;
    default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace ui

#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Controls.h"
#include "encoding/TextEncoding.h"

#include <map>
#include <memory>
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

// Per-monitor DPI functions of Windows 10 (1607) and later; absent on Windows 7 and 8, where the
// form keeps the system DPI.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int WindowDpi(HWND hwnd) {
    static const auto getDpi = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = getDpi ? getDpi(hwnd) : 0;
    return dpi ? static_cast<int>(dpi) : SystemDpi();
}

void AdjustFrame(RECT& r, int dpi) {
    static const auto adjust =
        User32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&r, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
}

// Messages of Windows 8.1 and 10 (1703), beyond the Windows 7 headers the build uses.
constexpr UINT kDpiChanged = 0x02E0;        // WM_DPICHANGED
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

}  // namespace

Form::~Form() {
    auto& app = Application::Instance();
    if (app.DialogWindow() != hwnd_) return;
    app.SetDialogWindow(nullptr);
    app.ShowTaskbarEntry(false);
}

void Form::Create(const std::string& title, int clientWidth, int clientHeight, const FontStyle& font) {
    RegisterFormClass();
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    MakeFont(defaultFont_, font);
    const SIZE frame = FrameSize(dpi_);
    HWND hwnd = CreateWindowExW(kExStyle, kFormClass, encoding::Widen(title).c_str(), kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.cx, frame.cy, Application::Instance().TaskbarWindow(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) throw std::runtime_error("Cannot create the form");
    Attach(hwnd);
    // Subclassed only now that the wrapper is attached: the trampoline never sees a half-made form.
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::Proc));
    font_ = defaultFont_;
    Application::Instance().SetDialogWindow(hwnd);
    // The monitor the window opened on may have another DPI than the system's.
    if (const int dpi = WindowDpi(hwnd); dpi != dpi_) ApplyDpi(dpi);
}

void Form::MakeFont(ui::Font& font, const FontStyle& style) {
    font.Create(style, dpi_);
    fonts_.push_back(&font);
}

SIZE Form::FrameSize(int dpi) const {
    RECT r{0, 0, Scale(clientWidth_, dpi), Scale(clientHeight_, dpi)};
    AdjustFrame(r, dpi);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void Form::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    // Every font at the new DPI; the old ones go once no control holds them.
    std::map<HFONT, HFONT> replaced;
    std::vector<std::unique_ptr<std::remove_pointer_t<HFONT>, decltype(&DeleteObject)>> old;
    for (ui::Font* font : fonts_) {
        HFONT previous = font->Rescale(dpi);
        replaced[previous] = *font;
        old.emplace_back(previous, &DeleteObject);
    }
    if (auto it = replaced.find(font_); it != replaced.end()) font_ = it->second;
    // The suggested place, with the frame that gives the laid-out client area: a frame whose
    // metrics did not follow (Wine's) would otherwise cut the client area.
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    const POINT at = suggested ? POINT{suggested->left, suggested->top} : POINT{frame.left, frame.top};
    SIZE size = FrameSize(dpi);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy, flags);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int dx = Scale(clientWidth_, dpi) - client.right, dy = Scale(clientHeight_, dpi) - client.bottom;
    if (dx || dy) SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx + dx, size.cy + dy, flags);
    // Every control of every page, shown or not, in creation order.
    std::vector<HWND> children;
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (auto* control = dynamic_cast<Control*>(FromHandle(child))) control->ApplyDpi(replaced);
    }
    if (OnDpiChanged) OnDpiChanged();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form::RepaintInSystemColours() {
    // Common controls keep the colours they read at creation until they are told.
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM) {
            SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
            return TRUE;
        },
        0);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form::FocusFirstIn(const Window& container) noexcept {
    if (!hwnd_ || GetActiveWindow() != hwnd_) return;
    HWND target = nullptr;
    for (HWND c = GetWindow(container.Handle(), GW_CHILD); c && !target; c = GetWindow(c, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
        if ((style & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c)) target = c;
    }
    if (!target && defaultButton_ && defaultButton_->Enabled()) target = defaultButton_->Handle();
    SetFocus(target ? target : hwnd_);
    // As the dialog manager does when Tab reaches an edit box: its text selected, ready to be typed over.
    if (target && (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) SendMessageW(target, EM_SETSEL, 0, -1);
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
    // The dialog manager sends Enter as the default id (or IDOK) and Escape as IDCANCEL, with no
    // or a foreign control handle. Click() does nothing for a disabled button, as a click would not.
    const int id = LOWORD(wp);
    if (Window::FromHandle(reinterpret_cast<HWND>(lp))) return false;
    if (defaultButton_ && (id == IDOK || id == defaultButton_->Id())) defaultButton_->Click();
    if (cancelButton_ && id == IDCANCEL) cancelButton_->Click();
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
    case kDpiChanged: ApplyDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp)); return 0;
    case kGetDpiScaledSize:
        // The frame for the new DPI, so that the rectangle WM_DPICHANGED suggests fits the layout.
        *reinterpret_cast<SIZE*>(lp) = FrameSize(static_cast<int>(wp));
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:  // high contrast turned on or off among others
    case WM_THEMECHANGED: RepaintInSystemColours(); break;
    default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace ui

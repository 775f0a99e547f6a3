#include "ui/Window.h"

#include "encoding/TextEncoding.h"

#include <stdexcept>

namespace ui {

namespace {

constexpr wchar_t kWrapperProp[] = L"Quorvane.Window";
// Control ids start above the dialog manager's IDOK/IDCANCEL so they are never mistaken for them.
int g_nextId = 100;

}  // namespace

int SystemDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int Scale(int units, int dpi) { return MulDiv(units, dpi, 96); }

RECT ScaleBounds(const Bounds& b, int dpi) {
    const int left = Scale(b.left, dpi), top = Scale(b.top, dpi);
    return RECT{left, top, left + Scale(b.width, dpi), top + Scale(b.height, dpi)};
}

Window::~Window() { Destroy(); }

void Window::Destroy() {
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    RemovePropW(hwnd, kWrapperProp);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) { return hwnd ? static_cast<Window*>(GetPropW(hwnd, kWrapperProp)) : nullptr; }

void Window::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropW(hwnd, kWrapperProp, this);
}

void Window::SetVisible(bool visible) {
    if (!hwnd_) visibleOnceMade_ = visible;
    else if (visible != Visible()) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Window::Visible() const {
    if (!hwnd_) return visibleOnceMade_;
    return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Window::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

bool Window::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

void Window::SetText(const std::string& text) { SetWideText(encoding::Widen(text)); }

std::string Window::Text() const { return encoding::Narrow(WideText()); }

void Window::SetPathText(const std::string& path) { SetWideText(encoding::WidenPath(path)); }

std::string Window::PathText() const { return encoding::NarrowPath(WideText()); }

void Window::SetWideText(const std::wstring& text) {
    // Setting the same text again must not raise change events (an edit box reports every WM_SETTEXT).
    if (hwnd_ && WideText() != text) SetWindowTextW(hwnd_, text.c_str());
}

std::wstring Window::WideText() const {
    if (!hwnd_) return {};
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd_, buffer.data(), length + 1);
    buffer.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return buffer;
}

void Window::SetFont(HFONT font) {
    font_ = font;
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool Window::Reflect(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

int Window::Dpi() const { return SystemDpi(); }

int Control::Dpi() const { return parent_ ? parent_->Dpi() : SystemDpi(); }

bool RouteToChild(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: child = reinterpret_cast<HWND>(lp); break;
    case WM_NOTIFY: child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom; break;
    case WM_SETCURSOR: child = reinterpret_cast<HWND>(wp); break;
    default: return false;
    }
    if (!child || child == parent) return false;
    Window* wrapper = Window::FromHandle(child);
    return wrapper && wrapper->Reflect(msg, wp, lp, result);
}

void Control::Create(Window& parent, const wchar_t* windowClass, DWORD style, DWORD exStyle, const Bounds& bounds,
                     const std::string& text) {
    Place(parent, bounds);
    MakeWindow(windowClass, style, exStyle, text);
}

void Control::Place(Window& parent, const Bounds& bounds) {
    parent_ = &parent;
    bounds_ = bounds;
    id_ = g_nextId++;
    HWND first = GetWindow(parent.Handle(), GW_CHILD);
    placedAfter_ = first ? GetWindow(first, GW_HWNDLAST) : nullptr;
}

void Control::MakeWindow(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::string& text) {
    const RECT r = ScaledBounds(bounds_);
    HWND hwnd = CreateWindowExW(exStyle, windowClass, encoding::Widen(text).c_str(), style | WS_CHILD, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent_->Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) throw std::runtime_error("Cannot create a control of the form");
    Attach(hwnd);
    // A window made later than its place was taken goes back to its rank in the Tab order (and
    // in the z-order, where a screen reader looks for the label before it).
    if (GetWindow(hwnd, GW_HWNDPREV) != placedAfter_)
        SetWindowPos(hwnd, placedAfter_ ? placedAfter_ : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetFont(parent_->Font());
    AnswerWithName();
}

void Control::SetBounds(const Bounds& bounds) {
    bounds_ = bounds;
    const RECT r = ScaledBounds(bounds);
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::ApplyDpi(const std::map<HFONT, HFONT>& fonts) {
    if (!hwnd_) return;  // made later, at the DPI of that moment
    if (auto it = fonts.find(font_); it != fonts.end()) Window::SetFont(it->second);
    SetBounds(bounds_);
    Rescaled();
}

}  // namespace ui

#include "ui/Panel.h"

#include "ui/Application.h"

namespace ui {

namespace {

constexpr wchar_t kPanelClass[] = L"QuorvanePanel";

}  // namespace

void Panel::Create(Window& parent, const Bounds& bounds, const PaneStyle& style) {
    static const ATOM registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Panel::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = kPanelClass;
        return RegisterClassW(&wc);
    }();
    (void)registered;
    // WS_EX_CONTROLPARENT lets the dialog manager's Tab walk into the panel's controls.
    Control::Create(parent, kPanelClass, style.visible ? WS_VISIBLE : 0, WS_EX_CONTROLPARENT, bounds);
}

LRESULT CALLBACK Panel::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // The only place Windows calls a panel: no exception may go back into the system.
    try {
        if (auto* self = static_cast<Panel*>(FromHandle(hwnd))) return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (RouteToChild(hwnd_, msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_ERASEBKGND: PaintBackground(reinterpret_cast<HDC>(wp)); return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Radio buttons and check boxes sit on the button-face background, in the text colour
        // the system gives static texts (a DC's own default is a fixed black).
        SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default: return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void Panel::PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
    for (const Graphic* item : graphics_) item->Paint(dc, Dpi());
}

void Shape::Create(Panel& parent, const Bounds& bounds, int fillColor) {
    bounds_ = bounds;
    fillColor_ = fillColor;
    parent.AddGraphic(this);
}

void Shape::Paint(HDC dc, int dpi) const {
    const RECT r = ScaleBounds(bounds_, dpi);
    FillRect(dc, &r, GetSysColorBrush(fillColor_));
}

void Bevel::Create(Panel& parent, const Bounds& bounds) {
    bounds_ = bounds;
    parent.AddGraphic(this);
}

void Bevel::Paint(HDC dc, int dpi) const {
    RECT r = ScaleBounds(bounds_, dpi);
    // Keep the etched line at two device pixels: a scaled height would draw a thick box.
    r.bottom = r.top + 2;
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
}

}  // namespace ui

#include "ui/Label.h"

#include "ui/Text.h"


namespace ui {

void Label::Create(Window& parent, const Bounds& bounds, const std::string& caption, const LabelStyle& style) {
    style_ = style;
    DWORD ss = SS_NOPREFIX | SS_NOTIFY | WS_VISIBLE;
    if (style.alignment == Alignment::Right) ss |= SS_RIGHT;
    else ss |= style.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    Control::Create(parent, L"STATIC", ss, 0, bounds, caption);
    FitToText();
}

void Label::SetFont(HFONT font) {
    Window::SetFont(font);
    FitToText();
}

void Label::SetText(const std::string& text) {
    if (text == Text()) return;
    RECT old;
    GetWindowRect(hwnd_, &old);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&old), 2);
    SetWindowTextW(hwnd_, Widen(text).c_str());
    FitToText();
    // An opaque label paints its whole rectangle itself; the parent only has to repaint what the
    // label no longer covers. Skipping that repaint keeps a label updated many times a second
    // (the download's progress) cheap.
    RECT now;
    GetWindowRect(hwnd_, &now);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&now), 2);
    const bool stillCovered = old.left >= now.left && old.top >= now.top && old.right <= now.right &&
                              old.bottom <= now.bottom;
    if (style_.transparent || !stillCovered) RepaintBeneath(old);
}

void Label::FitToText() {
    if (!style_.autoSize || !hwnd_) return;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ previous = SelectObject(dc, DrawingFont());
    const std::wstring text = Widen(Text());
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    const int width = r.right, height = tm.tmHeight;
    RECT now;
    GetWindowRect(hwnd_, &now);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&now), 2);
    const int left = style_.alignment == Alignment::Right ? now.right - width : now.left;
    SetWindowPos(hwnd_, nullptr, left, now.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HGDIOBJ Label::DrawingFont() const {
    // Measure with the font the control really draws with: the form hands its default font to
    // controls that have none of their own.
    if (font_) return font_;
    if (HFONT given = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0))) return given;
    return GetStockObject(DEFAULT_GUI_FONT);
}

void Label::RepaintBeneath(const RECT& oldRect) {
    // A transparent static does not erase its old text: the parent repaints the area first.
    RECT now;
    GetWindowRect(hwnd_, &now);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&now), 2);
    RECT area;
    UnionRect(&area, &oldRect, &now);
    RedrawWindow(GetParent(hwnd_), &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Label::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, style_.color == CLR_INVALID ? GetSysColor(COLOR_WINDOWTEXT) : style_.color);
        if (style_.transparent) {
            SetBkMode(dc, TRANSPARENT);
            result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        } else {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return true;
    }
    case WM_SETCURSOR:
        if (!style_.handCursor) return false;
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (HIWORD(wp) != STN_CLICKED) return false;
        if (OnClick) OnClick();
        result = 0;
        return true;
    default:
        return false;
    }
}

Picture::~Picture() {
    Destroy();
    if (bitmap_) DeleteObject(bitmap_);
}

void Picture::Create(Window& parent, const Bounds& bounds, int bitmapId) {
    Control::Create(parent, L"STATIC", WS_VISIBLE | SS_BITMAP, 0, bounds);
    bitmap_ = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId),
                                              IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (bitmap_) SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
}

}  // namespace ui

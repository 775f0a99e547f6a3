#include "ui/Label.h"

#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <commctrl.h>

#include <algorithm>

namespace ui {

void Label::Create(Window& parent, const Bounds& bounds, const std::string& caption, const LabelStyle& style) {
    style_ = style;
    // WS_GROUP, as a resource script gives every static: a label ends the group of the radio
    // buttons before it, which the dialog manager's arrow keys would otherwise wrap into.
    DWORD ss = (style.accessKey ? 0 : SS_NOPREFIX) | SS_NOTIFY | WS_VISIBLE | WS_GROUP;
    if (style.alignment == Alignment::Right) ss |= SS_RIGHT;  // wraps words too
    else ss |= style.wordWrap || style.growUpward ? SS_LEFT : SS_LEFTNOWORDWRAP;
    Control::Create(parent, L"STATIC", ss, 0, bounds, caption);
    if (style.growUpward) SetWindowSubclass(hwnd_, &Label::WrappedProc, 1, reinterpret_cast<DWORD_PTR>(this));
    FitToText();
}

namespace {

constexpr UINT kWrapFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// How far the ink of the text's glyphs reaches past their advance (a negative C width). The
// static control aligns a right-aligned line's advance with its edge and clips the rest: under
// Wine the stem of a final "d" went, and "speed" read "speec". At least one pixel, for hinting.
int InkMargin(HDC dc, const std::wstring& text) {
    int margin = 1;
    for (wchar_t c : text) {
        ABC abc{};
        if (GetCharABCWidthsW(dc, c, c, &abc)) margin = std::max(margin, -abc.abcC);
    }
    return margin;
}

}  // namespace

LRESULT CALLBACK Label::WrappedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        try {
            reinterpret_cast<Label*>(self)->PaintWrapped(dc);
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: try { reinterpret_cast<Label*>(self)->PaintWrapped(reinterpret_cast<HDC>(wp));
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
        return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(hwnd, &Label::WrappedProc, id); break;
    default: break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// As the static control draws, with the colours its parent would give, but inside the margin.
void Label::PaintWrapped(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    SetTextColor(dc, GetSysColor(style_.textColor));
    if (!style_.transparent) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, DrawingFont());
    const std::wstring text = encoding::Widen(Text());
    r.right -= inkMargin_;
    const UINT align = style_.alignment == Alignment::Right ? DT_RIGHT : DT_LEFT;
    // DT_NOCLIP: the ink past the last advance falls in the margin, inside the window.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, kWrapFlags | align | DT_NOCLIP);
    SelectObject(dc, previous);
}

void Label::SetFont(HFONT font) {
    Window::SetFont(font);
    FitToText();
}

void Label::SetText(const std::string& text) {
    if (!hwnd_ || text == Text()) return;
    const RECT old = PlacedRect();
    SetWindowTextW(hwnd_, encoding::Widen(text).c_str());
    FitToText();
    // The static control may already have drawn the new text its own way.
    if (style_.growUpward) InvalidateRect(hwnd_, nullptr, FALSE);
    // An opaque label paints its whole rectangle itself; the parent only has to repaint what the
    // label no longer covers. Skipping that repaint keeps a label updated many times a second
    // (the download's progress) cheap.
    const RECT now = PlacedRect();
    const bool stillCovered =
        old.left >= now.left && old.top >= now.top && old.right <= now.right && old.bottom <= now.bottom;
    if (style_.transparent || !stillCovered) RepaintBeneath(old);
}

RECT Label::PlacedRect() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Label::FitLinesUpward() {
    const RECT laid = ScaledBounds(bounds_);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ previous = SelectObject(dc, DrawingFont());
    const std::wstring text = encoding::Widen(Text());
    inkMargin_ = InkMargin(dc, text);
    RECT r{0, 0, laid.right - laid.left - inkMargin_, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | kWrapFlags);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    const int laidHeight = laid.bottom - laid.top;
    const int bottom = laid.top + std::max<int>(laidHeight, tm.tmHeight);
    const int height = std::max<int>(r.bottom, bottom - laid.top);
    SetWindowPos(hwnd_, nullptr, laid.left, bottom - height, laid.right - laid.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::FitToText() {
    if (!hwnd_) return;
    if (style_.growUpward) {
        FitLinesUpward();
        return;
    }
    if (!style_.autoSize) return;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ previous = SelectObject(dc, DrawingFont());
    const std::wstring text = encoding::Widen(Text());
    RECT r{0, 0, 0, 0};
    const UINT prefix = style_.accessKey ? 0 : DT_NOPREFIX;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | prefix);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    const int width = r.right, height = tm.tmHeight;
    const RECT now = PlacedRect();
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
    const RECT now = PlacedRect();
    RECT area;
    UnionRect(&area, &oldRect, &now);
    RedrawWindow(GetParent(hwnd_), &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Label::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, GetSysColor(style_.textColor));
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
    default: return false;
    }
}

Picture::~Picture() {
    Destroy();
    if (bitmap_) DeleteObject(bitmap_);
}

void Picture::Create(Window& parent, const Bounds& bounds, int bitmapId) {
    Control::Create(parent, L"STATIC", WS_VISIBLE | WS_GROUP | SS_BITMAP, 0, bounds);
    bitmapId_ = bitmapId;
    LoadScaled();
}

// From the resource each time: a logo scaled twice would blur.
void Picture::LoadScaled() {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId_), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    BITMAP size{};
    if (bitmap && GetObjectW(bitmap, sizeof size, &size) && Scaled(size.bmWidth) != size.bmWidth) {
        if (HBITMAP scaled = ScaledBitmap(bitmap, Scaled(size.bmWidth), Scaled(size.bmHeight))) {
            DeleteObject(bitmap);
            bitmap = scaled;
        }
    }
    if (!bitmap) return;
    // The control takes the new size from the image; the old image is ours to free.
    SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = bitmap;
}

HBITMAP ScaledBitmap(HBITMAP source, int width, int height) {
    BITMAP size{};
    if (!GetObjectW(source, sizeof size, &size)) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    if (from && to && scaled) {
        HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, scaled);
        // HALFTONE averages the pixels a shrunk or grown logo covers instead of dropping them.
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    const bool drawn = from && to && scaled;
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    ReleaseDC(nullptr, screen);
    if (!drawn && scaled) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    return scaled;
}

}  // namespace ui

#include "ui/Edits.h"

#include <commctrl.h>
#include <richedit.h>

#include <stdexcept>

namespace ui {

namespace {

// WS_GROUP: a pane is a group of its own. Without it, a pane laid out after radio buttons would
// belong to their group, and the arrow keys would carry the focus out of the radio buttons into it.
constexpr DWORD kPaneStyle = WS_VSCROLL | WS_TABSTOP | WS_GROUP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;

// RichEdit lives in a DLL that is loaded on first use, not linked: Msftedit (4.1) where present,
// else riched20 (2.0/3.0). Both count a line break as one character.
const wchar_t* RichEditClass() {
    static const wchar_t* cls = []() -> const wchar_t* {
        if (LoadLibraryW(L"Msftedit.dll")) return L"RICHEDIT50W";
        if (LoadLibraryW(L"riched20.dll")) return L"RichEdit20W";
        return nullptr;
    }();
    if (!cls) throw std::runtime_error("The RichEdit control is not available");
    return cls;
}

// A multi-line edit box keeps Tab, Enter and Escape for itself; a pane that is only read gives
// them back to the dialog manager, so that Tab moves on from the licence, Enter presses the
// default button and Escape Cancel, while the arrows and page keys still scroll it.
LRESULT CALLBACK ReadOnlyPaneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_GETDLGCODE) return DefSubclassProc(hwnd, msg, wp, lp) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &ReadOnlyPaneProc, id);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

constexpr UINT_PTR kPaneSubclass = 3;

}  // namespace

void Edit::Create(Window& parent, const Bounds& bounds) {
    Control::Create(parent, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, bounds);
}

bool Edit::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != EN_CHANGE) return false;
    if (OnChange) OnChange();
    result = 0;
    return true;
}

void Memo::Create(Window& parent, const Bounds& bounds, const PaneStyle& style) {
    Control::Create(parent, L"EDIT", kPaneStyle | (style.visible ? WS_VISIBLE : 0), WS_EX_CLIENTEDGE, bounds);
    SetWindowSubclass(hwnd_, &ReadOnlyPaneProc, kPaneSubclass, 0);
}

bool Memo::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    // A read-only edit asks for the static colours (grey); the licence panes are white.
    if (msg != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    return true;
}

void RichEdit::Create(Window& parent, const Bounds& bounds, const PaneStyle& style) {
    CreateOnFirstUse(parent, bounds, style);
    EnsureCreated();
}

void RichEdit::CreateOnFirstUse(Window& parent, const Bounds& bounds, const PaneStyle& style) {
    Place(parent, bounds);
    SetVisible(style.visible);
}

void RichEdit::EnsureCreated() {
    if (hwnd_) return;
    MakeWindow(RichEditClass(), kPaneStyle | (Visible() ? WS_VISIBLE : 0), WS_EX_CLIENTEDGE);
    SetWindowSubclass(hwnd_, &ReadOnlyPaneProc, kPaneSubclass, 0);
    // The system's window colour, read at each paint: a colour given here would stay when the
    // system colours change (a high contrast theme).
    SendMessageW(hwnd_, EM_SETBKGNDCOLOR, TRUE, 0);
}

void RichEdit::SetSelection(long start, long length) {
    CHARRANGE range{start, start + length};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void RichEdit::SetSelectionBold() {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD;
    format.dwEffects = CFE_BOLD;
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

bool RichEdit::SelectionBold() const {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(hwnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

}  // namespace ui

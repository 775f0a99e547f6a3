#include "ui/Views.h"

#include <uxtheme.h>

namespace ui {

void ProgressBar::Create(Window& parent, const Bounds& bounds) {
    Control::Create(parent, PROGRESS_CLASSW, WS_VISIBLE, 0, bounds);
    SetRange(0, 100);
}

// A class list naming no theme class leaves the control without theme data; Wine ignores the
// empty list that Windows also accepts, so the list is a blank.
void ProgressBar::DrawUnthemed() { SetWindowTheme(hwnd_, L" ", L" "); }

void ProgressBar::SetRange(int low, int high) { SendMessageW(hwnd_, PBM_SETRANGE32, low, high); }

void ProgressBar::SetPosition(int position) { SendMessageW(hwnd_, PBM_SETPOS, position, 0); }

int ProgressBar::Position() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }

void TreeView::Create(Window& parent, const Bounds& bounds, const TreeStyle& style) {
    Control::Create(parent, WC_TREEVIEWW, WS_VISIBLE | WS_TABSTOP | style.styles, WS_EX_CLIENTEDGE, bounds);
    indent_ = style.indent;
    Rescaled();
}

void TreeView::Rescaled() { SendMessageW(hwnd_, TVM_SETINDENT, Scaled(indent_), 0); }

bool TreeView::Reflect(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const NMHDR& header = *reinterpret_cast<const NMHDR*>(lp);
    result = 0;
    if (OnNotify) OnNotify(header, result);
    if (header.code == TVN_SELCHANGEDW && OnChange) OnChange();
    return true;
}

}  // namespace ui

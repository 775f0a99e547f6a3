#include "ui/Buttons.h"

#include "ui/Application.h"

namespace ui {

void Button::Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style) {
    const DWORD kind = style.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    Control::Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | kind, 0, bounds, caption);
}

void Button::Click() {
    if (Enabled() && OnClick) OnClick();
}

bool Button::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    Click();
    result = 0;
    return true;
}

void FlatButton::Create(Window& parent, const Bounds& bounds, const std::string& caption) {
    Control::Create(parent, L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON, 0, bounds, caption);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlatButton::Proc)));
}

FlatButton::~FlatButton() {
    // The button's own procedure must see its destruction (it frees its theme data there).
    if (hwnd_ && original_) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
}

LRESULT CALLBACK FlatButton::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<FlatButton*>(FromHandle(hwnd));
    try {
        if (self) return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The standard button focuses itself on a mouse press; tracking the press here instead keeps
// the focus where it was. BM_CLICK arrives as a press and a release at (0,0) too.
LRESULT FlatButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        SetCapture(hwnd_);
        CallWindowProcW(original_, hwnd_, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_MOUSEMOVE:
        if (pressed_) {
            RECT client;
            GetClientRect(hwnd_, &client);
            const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            CallWindowProcW(original_, hwnd_, BM_SETSTATE, PtInRect(&client, pt), 0);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!pressed_) return 0;
        pressed_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        CallWindowProcW(original_, hwnd_, BM_SETSTATE, FALSE, 0);
        RECT client;
        GetClientRect(hwnd_, &client);
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (PtInRect(&client, pt)) Click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_) {
            pressed_ = false;
            CallWindowProcW(original_, hwnd_, BM_SETSTATE, FALSE, 0);
        }
        return 0;
    case WM_SETFOCUS:
        // Keyboard focus never stays here (e.g. a program calling SetFocus).
        if (wp && IsWindow(reinterpret_cast<HWND>(wp))) SetFocus(reinterpret_cast<HWND>(wp));
        return 0;
    // A push button to the dialog manager, so that its access key clicks it (a static's key would
    // move the focus on instead); never focused, it never becomes the default.
    case WM_GETDLGCODE: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    default: return CallWindowProcW(original_, hwnd_, msg, wp, lp);
    }
}

void RadioButton::Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style) {
    DWORD windowStyle = WS_VISIBLE | BS_RADIOBUTTON;
    if (style.firstOfGroup) windowStyle |= WS_GROUP;
    // Tab reaches a group at its selected button.
    if (style.checked) windowStyle |= WS_TABSTOP;
    Control::Create(parent, L"BUTTON", windowStyle, 0, bounds, caption);
    checked_ = style.checked;
    SendMessageW(hwnd_, BM_SETCHECK, style.checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool RadioButton::Checked() const { return checked_; }

void RadioButton::ClearSiblings() {
    for (HWND sibling = GetWindow(parent_->Handle(), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        auto* other = dynamic_cast<RadioButton*>(FromHandle(sibling));
        if (!other || other == this) continue;
        other->checked_ = false;
        SendMessageW(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
        SetWindowLongPtrW(sibling, GWL_STYLE, GetWindowLongPtrW(sibling, GWL_STYLE) & ~WS_TABSTOP);
    }
}

void RadioButton::Select() {
    if (checked_) return;
    ClearSiblings();
    checked_ = true;
    SendMessageW(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, GetWindowLongPtrW(hwnd_, GWL_STYLE) | WS_TABSTOP);
    if (OnClick) OnClick();
}

void RadioButton::SetChecked(bool checked) {
    if (checked) {
        Select();
        return;
    }
    checked_ = false;
    SendMessageW(hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
}

bool RadioButton::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    // A plain (not automatic) radio button: selection is ours, so a program's choice and a
    // user's click go through the same Select.
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    if (Enabled()) Select();
    result = 0;
    return true;
}

void CheckBox::Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style) {
    Control::Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, bounds, caption);
    SetChecked(style.checked);
}

void CheckBox::SetChecked(bool checked) { SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

bool CheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace ui

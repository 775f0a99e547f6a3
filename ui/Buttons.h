#pragma once
// Push button, flat button that never takes the focus, radio button and check box.
#include "ui/Window.h"

#include <functional>

namespace ui {

// The options of a button's creation, named at the call as in a layout row:
// `rdoFrench.Create(page, {40, 176, 81, 17}, "Francais", {.checked = true, .firstOfGroup = true})`.
struct ButtonStyle {
    bool isDefault = false;     // the form's default button (thick frame; Enter presses it)
    bool checked = false;       // a radio button or check box selected from the start
    bool firstOfGroup = false;  // a radio button that opens a group
};

class Button : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style = {});
    // Raises OnClick unless the button is disabled (as a user's click would).
    void Click();
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    std::function<void()> OnClick;
};

// A speed button: clicked with the mouse, its access key or BM_CLICK, never focused and not in the Tab order,
// so pressing it leaves the keyboard focus where it was.
class FlatButton : public Button {
public:
    ~FlatButton() override;
    void Create(Window& parent, const Bounds& bounds, const std::string& caption);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    WNDPROC original_ = nullptr;
    bool pressed_ = false;
};

// Radio buttons of one panel form one group. OnClick fires whenever the button becomes selected,
// by the user or by SetChecked(true), and never when it was already selected.
class RadioButton : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style = {});
    void SetChecked(bool checked);
    bool Checked() const;
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    std::function<void()> OnClick;

private:
    void Select();
    void ClearSiblings();

    bool checked_ = false;
};

class CheckBox : public Control {
public:
    void Create(Window& parent, const Bounds& bounds, const std::string& caption, const ButtonStyle& style = {});
    void SetChecked(bool checked);
    bool Checked() const;
};

}  // namespace ui

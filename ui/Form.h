#pragma once
// The top-level form: fixed dialog frame, centred, button-face background, a close box, the
// dialog manager's keys (Tab as laid out, Enter presses the default button, Escape the cancel
// button). Laid out for the DPI of its monitor, again whenever it moves to another one; painted
// in the system's colours, again whenever they change.
#include "ui/Font.h"
#include "ui/Window.h"

#include <functional>
#include <vector>

namespace ui {

class Button;

class Form : public Window {
public:
    ~Form() override;

    // Creates the window hidden with the given client size (96-DPI units) and default font.
    void Create(const std::string& title, int clientWidth, int clientHeight, const FontStyle& font);
    // Shows the form centred on the screen and activates it.
    void Show();
    // Closing the main form ends Application::Run.
    void SetMainForm(bool main) { mainForm_ = main; }

    // After pages were switched and buttons disabled: a focus left on a hidden or disabled control
    // (Windows drops the focus of a window it disables) would leave the keyboard nowhere, so it
    // moves to the first control that Tab reaches, or to the form itself.
    void KeepFocusUsable() noexcept;

    // Focuses the first control that Tab reaches inside `container` (a page), or, when it has
    // none, the default button, or the form: where a page's work starts. Only while the form is
    // the active window: a page that changes behind another program's window takes nothing.
    void FocusFirstIn(const Window& container) noexcept;

    // Enter presses this button when it is enabled.
    void SetDefaultButton(Button* button) { defaultButton_ = button; }
    // Escape presses this one when it is enabled.
    void SetCancelButton(Button* button) { cancelButton_ = button; }

    // Makes `font` in `style` at the form's DPI, and again at each new DPI.
    void MakeFont(ui::Font& font, const FontStyle& style);
    int Dpi() const override { return dpi_; }
    // Lays the form and every control out again for `dpi`, the frame moved to `suggested` (the
    // rectangle WM_DPICHANGED gives) or kept where it is.
    void ApplyDpi(int dpi, const RECT* suggested = nullptr);

    // Runs OnClose (an exception in it is reported, the form still closes), then ends the program
    // when this is the main form. The window stays until the wrapper is destroyed, so a handler
    // still running below the close (a download) can finish and return.
    void Close();
    bool Closed() const { return closed_; }

    std::function<void()> OnClose;
    // After the layout for a new DPI: for what the new fonts undid (a RichEdit's formatting).
    std::function<void()> OnDpiChanged;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool HandleDialogCommand(WPARAM wp, LPARAM lp);
    // The frame's size for the laid-out client area at `dpi`.
    SIZE FrameSize(int dpi) const;
    void RepaintInSystemColours();

    ui::Font defaultFont_;
    std::vector<ui::Font*> fonts_;
    int dpi_ = SystemDpi();
    int clientWidth_ = 0, clientHeight_ = 0;  // layout units
    Button* defaultButton_ = nullptr;
    Button* cancelButton_ = nullptr;
    bool mainForm_ = false;
    bool closed_ = false;
};

}  // namespace ui

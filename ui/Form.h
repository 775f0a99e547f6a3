#pragma once
// The top-level form: fixed dialog frame, centred, button-face background, a close box, the
// dialog manager's keys (Tab as laid out, Enter presses the default button, Escape does nothing).
#include "ui/Font.h"
#include "ui/Window.h"

#include <functional>

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

    // Enter presses this button when it is enabled.
    void SetDefaultButton(Button* button) { defaultButton_ = button; }

    // Runs OnClose (an exception in it is reported, the form still closes), then ends the program
    // when this is the main form. The window stays until the wrapper is destroyed, so a handler
    // still running below the close (a download) can finish and return.
    void Close();
    bool Closed() const { return closed_; }

    std::function<void()> OnClose;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool HandleDialogCommand(WPARAM wp, LPARAM lp);

    ui::Font defaultFont_;
    Button* defaultButton_ = nullptr;
    bool mainForm_ = false;
    bool closed_ = false;
};

}  // namespace ui

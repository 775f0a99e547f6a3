#pragma once
// The application object: title, message loop, the pump the socket layer's waits use, message
// boxes and the standard error box for exceptions that leave an event handler.
#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace ui {

class Application {
public:
    using MessageBoxFn = std::function<int(const std::string& text, const std::string& caption, UINT flags)>;

    static Application& Instance();

    // Common controls for the UI thread; call once before the first form.
    void Initialize();

    // UTF-8, like every message: the error box takes it as its caption.
    void SetTitle(std::string title);
    const std::string& Title() const { return title_; }

    // The task-bar entry is a window of its own, titled with the application title and owning
    // every form: the entry reads the title while the form's caption says what it shows.
    // Created on first use.
    HWND TaskbarWindow();
    // The entry shows while the main form does.
    void ShowTaskbarEntry(bool show);

    // The window whose dialog keys (Tab, Enter, Escape) the pump translates.
    void SetDialogWindow(HWND hwnd) { dialogWindow_ = hwnd; }
    HWND DialogWindow() const { return dialogWindow_; }

    // Dispatches every message already in this thread's queue, then returns at once.
    void ProcessMessages();
    // Blocks until a message arrives or the time passes; waits call it between pumps so that a
    // stalled transfer sleeps on the queue instead of spinning.
    void WaitForMessage(DWORD milliseconds);
    // Runs the loop until Terminate is called (the main form closing calls it).
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Every modal message box goes through here so that tests can answer them. Text and caption
    // are UTF-8 (a message may name a path); the hooks see them as given.
    int MessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner = nullptr);
    MessageBoxFn MessageBoxHook;
    // Told of every box before it shows (or before the hook answers it): the installation log.
    std::function<void(const std::string& text, const std::string& caption)> OnMessageBox;

    // A request to the shell to open something (ShellExecute's arguments); an absent text is
    // passed as a null pointer, which is not the same request as an empty one.
    struct ShellRequest {
        HWND owner = nullptr;
        std::optional<std::wstring> verb, file, parameters, directory;
        int show = SW_SHOWNORMAL;
    };
    // Every such request goes through here so that tests can see it instead of a browser opening.
    void ShellOpen(const ShellRequest& request);
    std::function<void(const ShellRequest&)> ShellOpenHook;

    // Call from a catch block at each place where Windows calls our code: shows the standard
    // error box titled with the application title. The exception's text is read as UTF-8, the
    // encoding of every error this program raises. Never throws.
    void HandleException(std::exception_ptr error) noexcept;
    // Tests replace the error box to see which message (UTF-8, as the exception carried it)
    // reached it.
    std::function<void(const std::string& message)> ErrorHook;

private:
    Application() = default;
    bool Dispatch(MSG& msg);

    std::string title_;
    HWND taskbarWindow_ = nullptr;
    HWND dialogWindow_ = nullptr;
    bool terminated_ = false;
};

// COM for the UI thread, apartment-threaded (shell links and the shell's folder tree need it).
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_ = false;
};

}  // namespace ui

#include "ui/Application.h"

#include "encoding/TextEncoding.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

namespace ui {

Application& Application::Instance() {
    static Application app;
    return app;
}

void Application::Initialize() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

ComApartment::ComApartment() { initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }

ComApartment::~ComApartment() {
    if (initialized_) CoUninitialize();
}

void Application::SetTitle(std::string title) {
    title_ = std::move(title);
    if (taskbarWindow_) SetWindowTextW(taskbarWindow_, encoding::WidenMessage(title_).c_str());
}

bool Application::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    if (dialogWindow_ && IsWindow(dialogWindow_) && IsDialogMessageW(dialogWindow_, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(msg)) break;
    }
}

void Application::WaitForMessage(DWORD milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Application::Run() {
    MSG msg;
    while (!terminated_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            terminated_ = true;
            break;
        }
        Dispatch(msg);
    }
}

void Application::Terminate() {
    if (terminated_) return;
    // Set here, not only when WM_QUIT comes back: a message box shown before the loop regains
    // control (the error box of a download that failed as the form closed) takes WM_QUIT in its
    // own modal loop, and the program would then run on with its form closed.
    terminated_ = true;
    PostQuitMessage(0);  // wakes a GetMessage that is waiting
}

int Application::MessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
    if (OnMessageBox) OnMessageBox(text, caption);
    if (MessageBoxHook) return MessageBoxHook(text, caption, flags);
    return MessageBoxW(owner, encoding::WidenMessage(text).c_str(), encoding::WidenMessage(caption).c_str(), flags);
}

void Application::ShellOpen(const ShellRequest& request) {
    if (ShellOpenHook) {
        ShellOpenHook(request);
        return;
    }
    auto text = [](const std::optional<std::wstring>& value) { return value ? value->c_str() : nullptr; };
    ShellExecuteW(request.owner, text(request.verb), text(request.file), text(request.parameters),
                  text(request.directory), request.show);
}

void Application::HandleException(std::exception_ptr error) noexcept {
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    try {
        if (ErrorHook) {
            ErrorHook(message);
            return;
        }
        // Owned by the form, so the form waits for the box like for any other modal box.
        HWND owner = dialogWindow_ && IsWindow(dialogWindow_) ? dialogWindow_ : nullptr;
        MessageBox(message, title_, MB_OK | MB_ICONERROR, owner);
    } catch (...) {
        // Nothing sensible is left to report to.
    }
}

}  // namespace ui

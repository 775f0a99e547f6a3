#include "app/install/LaunchProduct.h"

#include "app/install/InstallSupport.h"
#include "ui/ComOwner.h"
#include "app/log/InstallLog.h"
#include "encoding/TextEncoding.h"

#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

// shellapi.h maps the name to ShellExecuteA; here it is IShellDispatch2's method.
#undef ShellExecute

namespace install {

bool& TestNoDesktopShell() {
    static bool none = false;
    return none;
}

namespace {

// A BSTR freed on every exit path.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) : value_(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }

private:
    BSTR value_;
};

// Fails with the step that did not work, for the log.
void Check(HRESULT hr, const char* step) {
    if (FAILED(hr)) throw InstallError(std::string(step) + ": " + SystemErrorText(DWORD(hr)));
    if (hr == S_FALSE) throw InstallError(std::string(step) + ": none");
}

// The desktop's folder view -> its Shell.Application object, which runs in Explorer's process.
ui::ComRef<IShellDispatch2> DesktopShellDispatch() {
    if (TestNoDesktopShell()) throw InstallError("no shell windows");
    ui::ComRef<IShellWindows> windows;
    Check(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.PutVoid()),
          "no shell windows");
    VARIANT empty;
    VariantInit(&empty);
    long hwnd = 0;
    ui::ComRef<IDispatch> desktop;
    Check(windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.Put()),
          "no desktop window");
    if (!desktop) throw InstallError("no desktop window");
    ui::ComRef<IServiceProvider> services;
    Check(desktop->QueryInterface(IID_IServiceProvider, services.PutVoid()), "no desktop services");
    ui::ComRef<IShellBrowser> browser;
    Check(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid()), "no desktop browser");
    ui::ComRef<IShellView> view;
    Check(browser->QueryActiveShellView(view.Put()), "no desktop view");
    ui::ComRef<IDispatch> background;
    Check(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid()), "no desktop folder view");
    ui::ComRef<IShellFolderViewDual> folderView;
    Check(background->QueryInterface(IID_IShellFolderViewDual, folderView.PutVoid()), "no folder view object");
    ui::ComRef<IDispatch> application;
    Check(folderView->get_Application(application.Put()), "no shell application");
    ui::ComRef<IShellDispatch2> shell;
    Check(application->QueryInterface(IID_IShellDispatch2, shell.PutVoid()), "no shell dispatch");
    return shell;
}

VARIANT Text(const Bstr& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text.Get();  // borrowed: the Bstr outlives the call
    return v;
}

void StartThroughDesktopShell(const std::string& file, const std::string& dir) {
    ui::ComRef<IShellDispatch2> shell = DesktopShellDispatch();
    Bstr name(encoding::WidenPath(file)), folder(encoding::WidenPath(dir)), verb(L"open"), none(L"");
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    Check(shell->ShellExecute(name.Get(), Text(none), Text(folder), Text(verb), show), "the shell refused");
}

}  // namespace

LaunchRoute StartAsDesktopUser(const std::string& file, const std::string& dir) {
    LogLine("Starting " + file + " in " + dir + " through the desktop's shell");
    try {
        StartThroughDesktopShell(file, dir);
        LogLine("Started " + file + " through the desktop's shell");
        return LaunchRoute::DesktopShell;
    } catch (const std::exception& e) {
        LogLine(std::string("The desktop's shell cannot start it (") + e.what() + "): starting it directly");
    }
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", encoding::WidenPath(file).c_str(), nullptr, encoding::WidenPath(dir).c_str(), SW_SHOWNORMAL));
    LogLine(result > 32 ? "Started " + file + " directly"
                        : "Could not start " + file + ": " + SystemErrorText(DWORD(result)));
    return LaunchRoute::Direct;
}

}  // namespace install

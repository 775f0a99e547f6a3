// The work done when the wizard window closes after a completed installation.
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "i18n/traducteur.h"
#include "ui/Application.h"
#include "ui/Text.h"

#include <shellapi.h>

namespace install {

void ClosingSteps(const InstallState& state, bool autoStart, bool startNow) {
    if (state.InstallDone != 1) return;
    const std::string language = Translator ? Translator->Language : std::string();
    if (!WritePrivateProfileStringW(L"Settings", L"langue", ui::Widen(language).c_str(), ui::Widen(kSettingsFile).c_str()))
        throw InstallError(std::string("Unable to write to ") + kSettingsFile);
    if (autoStart) WriteAutoStart(state);
    if (startNow) {
        // The full path: a bare "quorvane.exe" would be looked for in the current directory too,
        // where the installer was started (the Downloads folder) before the one given here.
        const std::wstring dir = ui::WidenPath(WithBackslash(state.InstallDir));
        ShellExecuteW(nullptr, L"open", (dir + L"quorvane.exe").c_str(), nullptr, dir.c_str(), SW_SHOWNORMAL);
    }
}

void CloseInstall(const InstallState& state, bool autoStart, bool startNow) noexcept {
    try {
        ClosingSteps(state, autoStart, startNow);
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
    }
}

}  // namespace install

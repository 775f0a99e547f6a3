// The work done when the wizard window closes after a completed installation.
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/install/LaunchProduct.h"
#include "app/log/InstallLog.h"
#include "i18n/traducteur.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"

namespace install {

void ClosingSteps(const InstallState& state, bool autoStart, bool startNow) {
    if (state.InstallDone != 1) return;
    const std::string language = Translator ? Translator->Language : std::string();
    if (!WritePrivateProfileStringW(L"Settings", L"langue", encoding::Widen(language).c_str(),
                                    encoding::Widen(kSettingsFile).c_str()))
        throw InstallError(std::string("Unable to write to ") + kSettingsFile);
    LogLine(std::string("Setting langue = ") + language + " in " + kSettingsFile);
    if (autoStart) WriteAutoStart(state);
    // The full path: a bare "quorvane.exe" would be looked for in the current directory too,
    // where the installer was started (the Downloads folder), before the one given here.
    if (startNow) {
        const std::string dir = WithBackslash(state.InstallDir);
        StartAsDesktopUser(dir + kProductExe, dir);
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

// The work done when the wizard window closes after a completed installation.
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/install/LaunchProduct.h"
#include "app/log/InstallLog.h"
#include "i18n/traducteur.h"
#include "ui/Application.h"


namespace install {

void ClosingSteps(const InstallState& state, bool autoStart, bool startNow) {
    if (state.InstallDone != 1) return;
    const std::string language = Translator ? Translator->Language : std::string();
    if (!WritePrivateProfileStringA("Settings", "langue", language.c_str(), kSettingsFile))
        throw InstallError(std::string("Unable to write to ") + kSettingsFile);
    LogLine(std::string("Setting langue = ") + language + " in " + kSettingsFile);
    if (autoStart) WriteAutoStart(state);
    if (startNow) StartAsDesktopUser(state.InstallDir + "quorvane.exe", state.InstallDir);
}

void CloseInstall(const InstallState& state, bool autoStart, bool startNow) noexcept {
    try {
        ClosingSteps(state, autoStart, startNow);
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
    }
}

}  // namespace install

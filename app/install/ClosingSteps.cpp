// The work done when the wizard window closes after a completed installation.
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "i18n/traducteur.h"
#include "ui/Application.h"

#include <shellapi.h>

namespace install {

void ClosingSteps(const InstallState& state, bool autoStart, bool startNow) {
    if (state.InstallDone != 1) return;
    const std::string language = Translator ? Translator->Language : std::string();
    if (!WritePrivateProfileStringA("Settings", "langue", language.c_str(), kSettingsFile))
        throw InstallError(std::string("Unable to write to ") + kSettingsFile);
    if (autoStart) WriteAutoStart(state);
    if (startNow) {
        ShellExecuteA(nullptr, "open", "quorvane.exe", nullptr, ToAnsiCodePage(state.InstallDir).c_str(),
                      SW_SHOWNORMAL);
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

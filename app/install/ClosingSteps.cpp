// The work done when the wizard window closes after a completed installation.
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/install/LaunchProduct.h"
#include "app/log/InstallLog.h"
#include "app/transaction/Transaction.h"
#include "i18n/traducteur.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"

namespace install {
namespace {

// The settings file by its full path, where the profile functions put a bare name: the journal
// and the install record must name it wherever the next run starts.
std::string SettingsFilePath() {
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length > MAX_PATH) throw InstallError(std::string("Unable to write to ") + kSettingsFile);
    return WithBackslash(encoding::NarrowPath(windows)) + kSettingsFile;
}

}  // namespace

void ClosingSteps(const InstallState& state, bool autoStart, bool startNow) {
    if (state.InstallDone != 1) return;
    transaction::Transaction& transaction = OpenTransaction(state);
    try {
        const std::string language = Translator ? Translator->Language : std::string();
        if (!transaction.WriteSetting(SettingsFilePath(), "Settings", "langue", language))
            throw InstallError(std::string("Unable to write to ") + kSettingsFile);
        LogLine(std::string("Setting langue = ") + language + " in " + kSettingsFile);
        if (autoStart) WriteAutoStart(state);
        transaction.Commit();
    } catch (...) {
        RollBackAndRethrow(state);
    }
    state.Transaction.reset();
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

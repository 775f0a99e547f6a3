// The product's uninstaller: removes exactly what the install record beside it lists, after the
// user's confirmation in the installation's language (none with /S), then itself.
//   uninstall.exe [/S] [/LOG="file"]
// Exit codes: 0 removed; 1 bad command line; 4 something could not be removed, or no readable
// record (nothing removed); 5 files in use (/S), nothing removed; 1602 the user said No or Cancel.
// The log goes to %TEMP%\Quorvane-Uninstall-<yyyymmdd>-<hhmmss>.log unless /LOG= names one.
#include <windows.h>

#include "RecordRemoval.h"
#include "SelfRemoval.h"
#include "app/outcome/ExitCode.h"
#include "app/cmdline/SplitArguments.h"
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/inuse/FilesInUse.h"
#include "app/log/InstallLog.h"
#include "app/transaction/Recovery.h"
#include "i18n/MessageText.h"
#include "encoding/TextEncoding.h"

#include <optional>

namespace {

using namespace outcome;
using cmdline::SplitArguments;

struct Arguments {
    bool Silent = false;
    std::optional<std::string> Log;
    std::optional<DWORD> CleanupAfter;  // the copy's: the uninstaller's process to wait for
    std::string Original;               // the copy's: the uninstaller it removes
    std::string Error;
};

bool StartsWithSwitch(const std::wstring& argument, const wchar_t* name) {
    const std::size_t length = wcslen(name);
    return argument.size() >= length && (argument[0] == L'/' || argument[0] == L'-') &&
           CompareStringOrdinal(argument.c_str() + 1, int(length - 1), name + 1, int(length - 1), TRUE) == CSTR_EQUAL;
}

Arguments ParseArguments() {
    Arguments parsed;
    for (const std::wstring& argument : SplitArguments(GetCommandLineW())) {
        if (StartsWithSwitch(argument, L"/S") && argument.size() == 2) parsed.Silent = true;
        else if (StartsWithSwitch(argument, L"/LOG=") && argument.size() > 5)
            parsed.Log = encoding::NarrowPath(argument.substr(5));
        else if (StartsWithSwitch(argument, L"/CLEANUP="))
            parsed.CleanupAfter = DWORD(wcstoul(argument.c_str() + 9, nullptr, 10));
        else if (StartsWithSwitch(argument, L"/ORIGINAL=")) parsed.Original = encoding::NarrowPath(argument.substr(10));
        else if (parsed.Error.empty()) parsed.Error = "Unknown switch: " + encoding::NarrowPath(argument);
    }
    return parsed;
}

// The language the installer stored, as the product reads it; the thread locale's otherwise.
std::string InstallationLanguage() {
    wchar_t value[32] = {};
    GetPrivateProfileStringW(L"Settings", L"langue", L"", value, 32, encoding::Widen(install::kSettingsFile).c_str());
    if (lstrcmpW(value, L"francais") == 0 || lstrcmpW(value, L"anglais") == 0) return encoding::NarrowPath(value);
    return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_ENGLISH ? "anglais" : "francais";
}

class Uninstaller {
public:
    Uninstaller(const Arguments& arguments, transaction::RecoveryResult recovery)
        : silent_(arguments.Silent), recovery_(std::move(recovery)) {}

    int Run(const Arguments& arguments) {
        if (!arguments.Error.empty()) return Fail(kExitBadCommandLine, "Bad command line: " + arguments.Error);
        if (recovery_.Result == transaction::RecoveryResult::Outcome::Busy)
            return Fail(kExitFinishFailed, "An installation of Quorvane is under way: nothing was removed");
        const std::string own = uninstall::OwnPath();
        const std::string folder = own.substr(0, own.rfind('\\'));
        const std::string recordPath = install::WithBackslash(folder) + record::kInstallRecordName;
        const record::TRecordResult parsed = uninstall::ReadRecord(recordPath);
        if (!parsed.Record)
            return Fail(kExitFinishFailed, "No readable install record " + recordPath + " (" + parsed.Reason +
                                               ", line " + std::to_string(parsed.Line) + "): nothing was removed");
        if (!silent_ && Box(TranslatedUtf8(kTextUninstallQuestion), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return Finish(kExitCancelled, "The user chose not to uninstall");
        const record::TProductPlaces places = uninstall::ProductPlaces(folder);
        const std::vector<std::string> later = {own, recordPath};
        try {
            inuse::WaitUntilNotInUse(uninstall::OwnedFiles(*parsed.Record, places, later), AskRetry());
        } catch (const inuse::FilesInUseError& error) {
            return Finish(kExitFilesInUse, error.what());
        } catch (const inuse::InUseCancelled& error) {
            return Finish(kExitCancelled, error.what());
        }
        const uninstall::TRemoval removal = uninstall::RemoveRecorded(*parsed.Record, places, later);
        const bool kept = uninstall::HoldsOtherFiles(folder, later);
        uninstall::StartCleanupCopy(folder, recordPath);
        if (!removal.Failed.empty() || !removal.Refused.empty()) {
            std::string text = TranslatedUtf8(kTextUninstallFailed) + "\n\n";
            for (const auto* list : {&removal.Failed, &removal.Refused})
                for (const std::string& line : *list) text += line + "\n";
            if (!silent_) Box(text + "\n" + TranslatedUtf8(kTextUninstallLog) + LogPath(), MB_OK | MB_ICONWARNING);
            return Finish(kExitFinishFailed, "Not everything could be removed");
        }
        if (!silent_)
            Box(TranslatedUtf8(kTextUninstallDone) +
                    (kept ? "\n\n" + TranslatedUtf8(kTextUninstallKept) + "\n" + folder : std::string()),
                MB_OK | MB_ICONINFORMATION);
        return Finish(kExitSuccess, kept ? "Kept " + folder + ", which holds files the installation did not make"
                                         : "Removed " + folder);
    }

private:
    static std::string LogPath() { return encoding::NarrowPath(installlog::CurrentPath()); }

    int Box(const std::string& text, UINT flags) const {
        const std::string caption = TranslatedUtf8(kTextUninstallCaption);
        LogLine("Box \"" + caption + "\": " + text);
        return MessageBoxW(nullptr, encoding::WidenMessage(text).c_str(), encoding::WidenMessage(caption).c_str(),
                           flags | MB_SETFOREGROUND);
    }

    inuse::AskRetry AskRetry() const {
        if (silent_) return nullptr;
        return [this](const inuse::TFilesInUse& found) {
            const std::string caption = TranslatedUtf8(kTextInUseCaption);
            const std::string text = inuse::BoxText(found, kTextInUseUninstall);
            LogLine("Box \"" + caption + "\": " + text);
            return MessageBoxW(nullptr, encoding::WidenMessage(text).c_str(), encoding::WidenMessage(caption).c_str(),
                               MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND) == IDRETRY;
        };
    }

    int Fail(int code, const std::string& reason) {
        if (!silent_)
            Box(TranslatedUtf8(kTextUninstallFailed) + "\n\n" + reason + "\n\n" + TranslatedUtf8(kTextUninstallLog) +
                    LogPath(),
                MB_OK | MB_ICONERROR);
        return Finish(code, reason);
    }

    static int Finish(int code, const std::string& line) {
        LogLine(line);
        LogLine("Exit code " + std::to_string(code));
        return code;
    }

    bool silent_;
    transaction::RecoveryResult recovery_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const Arguments arguments = ParseArguments();
    if (arguments.CleanupAfter) return uninstall::RunCleanup(*arguments.CleanupAfter, arguments.Original);
    if (arguments.Log) installlog::Open(encoding::WidenPath(*arguments.Log));
    else installlog::OpenNew(installlog::DefaultName(L"Quorvane-Uninstall"));
    LogLine("Quorvane uninstall: " + encoding::NarrowPath(GetCommandLineW()));
    // Before anything else: an installation a crash interrupted is finished first, so that the
    // record read next is the one of what is on the machine.
    transaction::RecoveryResult recovery = transaction::RecoverInterrupted();
    tTranslate table;
    Translator = &table;
    table.SetLanguage(InstallationLanguage());
    LogLine("Language " + table.Language);
    try {
        return Uninstaller(arguments, std::move(recovery)).Run(arguments);
    } catch (const std::exception& error) {
        LogLine(std::string("Stopped: ") + error.what());
        LogLine("Exit code 4");
        return outcome::kExitFinishFailed;
    }
}

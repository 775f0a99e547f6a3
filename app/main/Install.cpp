// app/main owns the program's start: the DLL search path restricted first (DllSearchPath.h), the
// silent mode (SilentInstall.h) and the run itself (here).
//
// Program start: the command line and the log, the application title, the translation table,
// the wizard form, then either the wizard's message loop or the silent installation.
#include "app/main/DllSearchPath.h"
#include "app/main/SilentInstall.h"
#include "app/cmdline/CommandLine.h"
#include "app/cmdline/SplitArguments.h"
#include "app/log/InstallLog.h"
#include "app/outcome/ExitCode.h"
#include "app/transaction/Recovery.h"
#include "app/wizard/WizardForm.h"
#include "ProductInfo.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"
#include "i18n/MessageText.h"

#include <memory>

namespace {

// The switches, from the arguments after the program's name and from the raw line's /S.
cmdline::CommandLine ReadCommandLine() {
    const std::wstring_view raw = GetCommandLineW();
    std::vector<std::string> arguments;
    // UTF-8, as every path in the program: a /DIR= outside the code page keeps its characters.
    for (const std::wstring& argument : cmdline::SplitArguments(raw))
        arguments.push_back(encoding::NarrowPath(argument));
    return cmdline::ParseCommandLine(arguments, cmdline::HasSilentToken(raw));
}

void OpenLog(const cmdline::CommandLine& line) {
    // The log named by /LOG= first; when it cannot be made, the default one, so that the run is
    // still traced somewhere. Neither stops the installation.
    const installlog::LogOpen given =
        line.Log ? installlog::Open(encoding::WidenPath(*line.Log)) : installlog::LogOpen::Failed;
    if (given == installlog::LogOpen::Opened) return;
    installlog::OpenNew(installlog::DefaultName());
    if (given == installlog::LogOpen::Link)
        LogLine("The log " + *line.Log + " is a link, which is never followed; writing here instead");
    else if (line.Log) LogLine("Cannot write the log " + *line.Log + "; writing here instead");
}

int RunWizard(const cmdline::CommandLine& line, LCID locale) {
    auto& app = ui::Application::Instance();
    app.Initialize();
    app.SetTitle("Installation");
    // The table lives until the process ends.
    Translator = new tTranslate;
    if (line.Silent) AnswerBoxesSilently();
    // The wizard paints page 1 before it builds the other pages: they are most of what the user
    // would otherwise wait for. The language is chosen before that paint, the directory after.
    auto form =
        std::make_unique<TfInstall>(locale, line.Silent ? TfInstall::Build::WholeForm : TfInstall::Build::PageOneFirst);
    fInstall = form.get();
    int code = 0;
    if (line.Silent) {
        form->Preset(line.Language, line.Dir);
        code = RunSilentInstall(*form, !line.NoAutoStart, false);
    } else {
        form->Preset(line.Language, std::nullopt);
        form->SetMainForm(true);
        form->Show();
        form->FocusFirstIn(form->PnlStep1);
        form->BuildOtherPages();
        form->Preset(std::nullopt, line.Dir);
        if (line.NoAutoStart) form->ChkAutoStart.SetChecked(false);
        if (line.NoLaunch) form->chkStartNow.SetChecked(false);
        app.Run();
        code = form->ExitCode();
    }
    fInstall = nullptr;
    return code;
}

// A bad command line, or /?: the usage, in a box unless silent (then only in the log).
int ShowUsage(const cmdline::CommandLine& line, LCID locale) {
    const std::string usage = Utf8FromCp1252(cmdline::UsageText(line.Language.value_or(LanguageKeyForLocale(locale))));
    const bool bad = !line.Error.empty();
    if (bad) LogLine("Bad command line: " + line.Error);
    if (line.Silent) {
        LogLine(usage);
        return bad ? outcome::kExitBadCommandLine : outcome::kExitSuccess;
    }
    ui::Application::Instance().MessageBox(bad ? line.Error + "\n\n" + usage : usage, "Installation",
                                           bad ? MB_OK | MB_ICONERROR : MB_OK | MB_ICONINFORMATION);
    return bad ? outcome::kExitBadCommandLine : outcome::kExitSuccess;
}

int Run(LCID locale) {
    const cmdline::CommandLine line = ReadCommandLine();
    OpenLog(line);
    LogLine("Quorvane installation " QUORVANE_DISPLAY_VERSION ", command line: " +
            encoding::NarrowPath(GetCommandLineW()));
    // Whatever the command line asks, a transaction a crash interrupted is finished first.
    transaction::RecoverInterrupted();
    auto& app = ui::Application::Instance();
    app.OnMessageBox = [](const std::string& text, const std::string& caption) {
        LogLine("Box \"" + caption + "\": " + text);
    };
    if (!line.Error.empty() || line.Usage) return ShowUsage(line, locale);
    try {
        return RunWizard(line, locale);
    } catch (...) {
        app.HandleException(std::current_exception());
        return ExitCodeOf(std::current_exception());
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchPath();
    // The common controls theme their windows with uxtheme, which they load by name.
    LoadFromSystemFolder({L"uxtheme.dll"});
    ui::ComApartment com;
    // The locale is read once, before anything else can change it.
    const LCID locale = GetThreadLocale();
    const int code = Run(locale);
    LogLine("Exit code " + std::to_string(code));
    installlog::Close();
    return code;
}

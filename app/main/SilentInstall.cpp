#include "app/main/SilentInstall.h"

#include "app/wizard/WizardForm.h"
#include "ui/Application.h"

void AnswerBoxesSilently() {
    // The overwrite question is the only Yes/No one a silent run meets; the rest only inform.
    ui::Application::Instance().MessageBoxHook = [](const std::string&, const std::string&, UINT flags) {
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    };
}

int RunSilentInstall(TfInstall& form, bool autoStart, bool launch) {
    auto& app = ui::Application::Instance();
    AnswerBoxesSilently();
    form.Download.AskProxyCredentials = nullptr;  // no window: the build's credentials or the error
    form.AskFilesInUse = nullptr;                 // no one to close them: files in use end the run
    try {
        form.BtnNextClick();  // language -> licence
        form.rdoagree.SetChecked(true);
        form.BtnNextClick();  // licence -> directory
        form.BtnNextClick();  // directory, download, finishing steps -> last page
    } catch (...) {
        // The form recorded the outcome; the error box becomes a log line.
        app.HandleException(std::current_exception());
        return form.ExitCode();
    }
    // A directory that could not be made leaves page 3 up, with its outcome recorded.
    if (!form.Pnlstep5.Visible()) return form.ExitCode();
    form.ChkAutoStart.SetChecked(autoStart);
    form.chkStartNow.SetChecked(launch);
    form.BtnNextClick();  // Done: the closing steps
    return form.ExitCode();
}

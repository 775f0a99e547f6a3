// The form's side of the installation steps: page 3's directory checks, the folder tree, the
// finishing work after the download and the work done when the window closes. The steps
// themselves live in app/install and never see the form; here they get its fields.
#include "app/install/DirectoryChoice.h"
#include "app/cache/DownloadCache.h"
#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "ui/ShellFolderTree.h"
#include "app/install/ShellLink.h"
#include "app/wizard/WizardForm.h"
#include "ui/Application.h"
#include "i18n/MessageText.h"

install::InstallState TfInstall::State() {
    return {InstallDir,    Downloads,
            DesktopPath,   ProgramsPath,
            Cancelled,     InstallDone,
            Transaction,   [this](const std::string& status) { LblStatus.SetText(status); },
            AskFilesInUse, Download.Release ? &*Download.Release : nullptr};
}

bool TfInstall::AskWithInUseBox(const inuse::TFilesInUse& found) {
    return ui::Application::Instance().MessageBox(inuse::BoxText(found, kTextInUseInstall),
                                                  TranslatedUtf8(kTextInUseCaption), MB_RETRYCANCEL | MB_ICONWARNING,
                                                  Handle()) == IDRETRY;
}

bool TfInstall::ConfirmOverwrite() { return install::ConfirmExistingInstall(TxtDir.PathText(), Handle()); }

bool TfInstall::AcceptInstallDir() { return install::AcceptInstallDir(TxtDir.PathText(), InstallDir, Handle()); }

void TfInstall::ReadProgramsPath() { ProgramsPath = install::ReadProgramsPath(); }

void TfInstall::ReadDesktopPath() { DesktopPath = install::ReadDesktopPath(); }

void TfInstall::FinishInstall() {
    install::FinishInstall(State());
    // Closed while the download ran: the closing steps will not come, and the installation
    // stands as it is.
    if (Closed() && InstallDone == 1) install::CommitWithoutClosingSteps(State());
}

void TfInstall::CloseInstall() {
    try {
        install::ClosingSteps(State(), ChkAutoStart.Checked(), chkStartNow.Checked());
    } catch (...) {
        Outcome.ClosingFailed();
        ui::Application::Instance().HandleException(std::current_exception());
    }
}

// Filling the tree from the shell takes longer than everything else the first page needs (about
// half of the start-up under Wine): it is done when page 3 first shows. The directory typed, or
// given on the command line, stays whatever the tree selects while it fills.
void TfInstall::EnsureFolderTree() {
    if (folderTreeTried_) return;  // a tree that failed is reported once
    folderTreeTried_ = true;
    const std::string typed = TxtDir.Text();
    AttachFolderTree();
    if (TxtDir.Text() != typed) TxtDir.SetText(typed);
}

// A tree that cannot be filled (no C:\Program Files) is reported and the wizard goes on with an
// empty tree, since the edit box alone can name the directory.
void TfInstall::AttachFolderTree() {
    try {
        folderTree_ = std::make_unique<ui::ShellFolderTree>(Directory.Handle());
        Directory.OnNotify = [tree = folderTree_.get()](const NMHDR& header, LRESULT& result) {
            return tree->HandleNotify(header, result);
        };
        Directory.PathProvider = [tree = folderTree_.get()] { return tree->Path(); };
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
    }
}

// The tree control itself raises Directory.OnChange; the shell tree's own OnChange stays unbound
// so that one selection sets the text once.
void TfInstall::DirectoryChange() {
    // A folder picked in the tree may hold any character: the edit box takes it as a path.
    TxtDir.SetPathText(Directory.Path() + TranslatedUtf8(kTextBasicFolder));
}

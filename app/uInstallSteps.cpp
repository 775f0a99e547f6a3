// The form's side of the installation steps: page 3's directory checks, the folder tree, the
// finishing work after the download and the work done when the window closes. The steps
// themselves live in app/install and never see the form; here they get its fields.
#include "app/install/DirectoryChoice.h"
#include "app/install/FinishInstall.h"
#include "app/install/ShellFolderTree.h"
#include "app/install/ShellLink.h"
#include "app/uInstall.h"
#include "ui/Application.h"

namespace {
constexpr int kTextFolderSuffix = 1;
}  // namespace

install::InstallState TfInstall::State() {
    return {InstallDir, DownloadDir, DesktopPath, ProgramsPath, Cancelled, InstallDone,
            [this](const std::string& status) { LblStatus.SetText(status); }};
}

bool TfInstall::ConfirmOverwrite() { return install::ConfirmExistingInstall(TxtDir.PathText(), Handle()); }

bool TfInstall::AcceptInstallDir() { return install::AcceptInstallDir(TxtDir.PathText(), InstallDir, Handle()); }

void TfInstall::ReadProgramsPath() { ProgramsPath = install::ReadProgramsPath(); }

void TfInstall::ReadDesktopPath() { DesktopPath = install::ReadDesktopPath(); }

void TfInstall::FinishInstall() { install::FinishInstall(State()); }

void TfInstall::CloseInstall() {
    install::CloseInstall(State(), ChkAutoStart.Checked(), chkStartNow.Checked());
}

// Runs during the form's creation: a tree that cannot be filled (no C:\Program Files) is reported
// and the wizard goes on with an empty tree, since the edit box alone can name the directory.
void TfInstall::AttachFolderTree() {
    try {
        folderTree_ = std::make_unique<install::ShellFolderTree>(Directory.Handle());
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
    TxtDir.SetPathText(Directory.Path() + install::PathText(kTextFolderSuffix));
}

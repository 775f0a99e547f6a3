// PLACEHOLDERS. The directory selection, the download sequence, the finishing steps and the
// close-time work are built as separate pieces and wired in here. Until then each of these does
// nothing (the existence test lets the wizard go on), so the wizard can be walked but installs
// nothing: do not read any of them as working.
#include "app/uInstall.h"

// Existence test of an earlier installation: true to go on. PLACEHOLDER: never finds one.
bool TfInstall::ConfirmOverwrite() { return true; }

// PLACEHOLDER: creates no directory; takes the text as typed so that the wizard can go on.
void TfInstall::AcceptInstallDir() { InstallDir = TxtDir.Text(); }

// PLACEHOLDER: downloads nothing and runs no finishing step (InstallDone stays 0).
void TfInstall::DownloadFiles() {}

// PLACEHOLDER: the running request's Abort.
void TfInstall::AbortDownload() {}

// PLACEHOLDER: leaves ProgramsPath empty.
void TfInstall::ReadProgramsPath() {}

// PLACEHOLDER: leaves DesktopPath empty.
void TfInstall::ReadDesktopPath() {}

// PLACEHOLDER: writes no settings file.
void TfInstall::StoreLanguage() {}

// PLACEHOLDER: writes no Run value.
void TfInstall::WriteAutoStart() {}

// PLACEHOLDER: starts nothing.
void TfInstall::StartProduct() {}

// PLACEHOLDER for the tree's selection: the directory part wires DirectoryChange.
void TfInstall::DirectoryChange() {}

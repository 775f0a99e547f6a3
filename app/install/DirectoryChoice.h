#pragma once
// Page 3's checks on the installation directory, independent of the form: the form passes the
// text of its edit box `TxtDir` (TxtDir.PathText(): UTF-8, every character kept) and its field
// `InstallDir`. Questions and errors are shown through
// ui::Application::Instance().MessageBox with texts of the global `Translator`; `owner` is the
// window they are modal to (the form's). The form's Next on page 3 (WizardController.cpp) stays
// on page 3 when either says no, and downloads nothing.
#include <windows.h>

#include <string>

#include "app/install/ProductFiles.h"

namespace install {

// The existence test: when `txtDir` (with a backslash ensured) already holds quorvane.exe as a
// file, asks text 6 / caption text 7 (Yes/No, exclamation). Returns true to go on: nothing was
// found, or the user answered Yes. Creates nothing.
bool ConfirmExistingInstall(const std::string& txtDir, HWND owner = nullptr);

// Makes sure the directory named by `txtDir` can be made: creates every missing level from the
// first backslash to the last, then removes the levels it made, so that the machine stays as it
// was until the finishing steps' transaction makes them for good. On failure shows text 4 /
// caption text 5 (OK, error icon) once and returns false.
bool TryInstallDir(const std::string& txtDir, HWND owner = nullptr);

// Two attempts of TryInstallDir. On success stores `txtDir` exactly as typed (no backslash
// added) in `installDir` and returns true. After two failures `installDir` is left unchanged and
// the result is false: the Next action must stop there and show page 3 again, so that nothing is
// downloaded into, or installed in, a directory that does not exist.
bool AcceptInstallDir(const std::string& txtDir, std::string& installDir, HWND owner = nullptr);

}  // namespace install

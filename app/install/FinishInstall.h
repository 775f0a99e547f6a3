#pragma once
// app/install owns the work on the machine around the download: the choice of the installation
// directory (DirectoryChoice.h), the run's download folder and its held files (DownloadFolder.h,
// HeldDownload.h), the finishing steps after the download and the closing steps (here), with their
// registry values, shell links and the product's start (Registry.h, ShellLink.h, LaunchProduct.h).
//
// The finishing work on the system after the download, and the closing steps when the wizard
// window closes, independent of the form. The form (WizardInstallSteps.cpp) passes its state
// through `InstallState`, a bundle of references to the form's own fields; the form
// calls ClosingSteps itself so that it can record a failure for the exit code.
//
// Texts come from the global `Translator`. Every function here may throw InstallError (registry
// errors, a failed copy, no shell link object) except CloseInstall, which shows its error itself.
#include <cstdint>
#include <functional>
#include <string>

#include "app/install/ProductFiles.h"

namespace release {
struct TRelease;
}  // namespace release

namespace install {

class HeldFiles;

// Paths are UTF-8 (ui/Text.h).
struct InstallState {
    std::string& InstallDir;     // as accepted on page 3; FinishInstall ends it with a backslash
    const HeldFiles* Downloads;  // the downloads, the four files held open; null: none
    std::string& DesktopPath;
    std::string& ProgramsPath;  // ends with a backslash, or is empty when the shell had none
    const std::uint8_t& Cancelled;
    std::uint8_t& InstallDone;
    std::function<void(const std::string&)> SetStatus;  // the page 4 status line `LblStatus`
    // What the accepted release manifest says is installed: the files, their order, the version
    // and sequence recorded. Null until one was accepted.
    const release::TRelease* Release;
};

// Registry locations, written exactly so (mixed case included).
inline constexpr char kLocationKey[] = "Software\\Quorvane\\Quorvane\\RaRozo";
inline constexpr char kLocationValue[] = "emplacement";
inline constexpr char kUninstallKeyPrefix[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane ";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "QuorvaneRaRozo";
// Profile file without a directory: the profile functions place it in the Windows directory.
inline constexpr char kSettingsFile[] = "Quorvane_b.ini";

// Install location, the copies of the release's files (the product's four first), the shortcuts
// and the uninstall entry with the release's sequence, then InstallDone := 1 unless cancelled. Stops at the first error (a failed copy included): InstallDone stays 0. The
// copies read the held files; a file that is not what its download verified raises
// DamagedDownloadError before anything is written.
void FinishInstall(const InstallState& state);
// "Quorvane\" then the edition folder under ProgramsPath, then the three start-menu shortcuts.
void CreateStartMenuGroup(const InstallState& state);
// HKLM location value; a key that cannot be opened is passed over silently.
void WriteInstallLocation(const InstallState& state);
// HKLM uninstall entry: DisplayName, UninstallString (quoted), the release's version; and beside
// it the release's sequence (ReleaseSequence.h).
void WriteUninstallEntry(const InstallState& state);
// HKCU Run value that starts the product with Windows (quoted).
void WriteAutoStart(const InstallState& state);

// The closing steps, only when InstallDone is 1: the language into the settings file, the Run
// value when `autoStart`, the product started when `startNow`. Throws at the first failure; the
// steps after it are not done.
void ClosingSteps(const InstallState& state, bool autoStart, bool startNow);
// ClosingSteps for a caller with nothing to record: an error goes to the application's standard
// error box instead of leaving the close handler, so that the program then ends as usual.
void CloseInstall(const InstallState& state, bool autoStart, bool startNow) noexcept;

}  // namespace install

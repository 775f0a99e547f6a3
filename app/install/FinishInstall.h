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
// Everything they change on the machine is one transaction (app/transaction), begun by
// FinishInstall and committed by ClosingSteps after their last change, before the product is
// started: a failure of either, or a process that dies between them, leaves the machine as it was.
//
// Texts come from the global `Translator`. Every function here may throw InstallError (registry
// errors, a failed copy, no shell link object) except CloseInstall, which shows its error itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/inuse/FilesInUse.h"
#include "app/install/ProductFiles.h"

namespace release {
struct TRelease;
}  // namespace release
namespace transaction {
class Transaction;
}  // namespace transaction

namespace install {

class HeldFiles;

// Ends a transaction where its type is complete (FinishInstall.cpp): one still open rolls back.
struct TransactionDeleter {
    void operator()(transaction::Transaction* transaction) const noexcept;
};
using TransactionHolder = std::unique_ptr<transaction::Transaction, TransactionDeleter>;

// Paths are UTF-8 (encoding/TextEncoding.h).
struct InstallState {
    std::string& InstallDir;     // as accepted on page 3; FinishInstall ends it with a backslash
    const HeldFiles* Downloads;  // the downloads, the release's files held open; null: none
    std::string& DesktopPath;
    std::string& ProgramsPath;  // ends with a backslash, or is empty when the shell had none
    const std::uint8_t& Cancelled;
    std::uint8_t& InstallDone;
    // The transaction from FinishInstall to the end of ClosingSteps; the holder's end rolls back
    // one still open.
    TransactionHolder& Transaction;
    std::function<void(const std::string&)> SetStatus;  // the page 4 status line `LblStatus`
    // Asked while product files to be replaced are in use: the wizard's box, Retry or Cancel.
    // Empty in a silent run, which then ends with nothing changed.
    inuse::AskRetry FilesInUse;
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

// Stages the release's files (the product's four first), then, in the transaction: the
// installation directory, the install location, the files moved into place, the shortcuts and the
// uninstall entry with the release's version and sequence; then InstallDone := 1 unless
// cancelled. The first error (a failed copy included) rolls back what was done and is raised
// again: InstallDone stays 0. The staging reads the held files; a file that is not what its
// download verified raises DamagedDownloadError before anything is changed.
// Product files in use that the user does not free end it the same way, before anything changed
// (inuse::InUseCancelled, or inuse::FilesInUseError in a silent run).
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
// value when `autoStart`, the commit (a transaction of their own when FinishInstall's is over),
// the product started when `startNow`. At the first failure the whole transaction is rolled back,
// the files of the finishing steps included, and the error raised.
void ClosingSteps(const InstallState& state, bool autoStart, bool startNow);
// ClosingSteps for a caller with nothing to record: an error goes to the application's standard
// error box instead of leaving the close handler, so that the program then ends as usual.
void CloseInstall(const InstallState& state, bool autoStart, bool startNow) noexcept;

// Commits the open transaction as it stands, for a run whose closing steps will not come (its
// window was closed while the download ran); rolls back and raises as RollBackAndRethrow on failure.
void CommitWithoutClosingSteps(const InstallState& state);
// The state's transaction, begun (journal, staging folder) when none is open.
transaction::Transaction& OpenTransaction(const InstallState& state);
// In a handler of the error that stopped `state`'s transaction: rolls it back, then raises that
// error again, or, when some change could not be undone, an InstallError that adds them.
[[noreturn]] void RollBackAndRethrow(const InstallState& state);

}  // namespace install

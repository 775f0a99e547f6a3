#include "app/install/FinishInstall.h"

#include "app/install/HeldDownload.h"
#include "app/install/HeldFiles.h"
#include "app/install/InstallSupport.h"
#include "app/install/Registry.h"
#include "app/install/ReleaseSequence.h"
#include "app/install/ShellLink.h"
#include "app/log/InstallLog.h"
#include "app/release/ReleaseManifest.h"
#include "app/transaction/Transaction.h"
#include "ProductInfo.h"
#include "i18n/traducteur.h"
#include "encoding/TextEncoding.h"
#include "i18n/MessageText.h"

#include <vector>

namespace install {
namespace {

void Status(const InstallState& state, TextId text) {
    if (state.SetStatus) state.SetStatus(Translated(text));
}

const release::TRelease& AcceptedRelease(const InstallState& state) {
    if (!state.Release) throw InstallError("No release manifest was accepted");
    return *state.Release;
}

// The held downloads in the order they are copied, each read again first: one that is no longer
// what its download verified stops the finishing steps before they write anything.
std::vector<const HeldDownload*> UnchangedDownloads(const HeldFiles& downloads, const release::TRelease& release) {
    std::vector<const HeldDownload*> files;
    for (const release::TReleaseFile* listed : release::FilesInOrder(release, kProductFiles)) {
        const HeldDownload* file = downloads.Find(listed->Name);
        if (!file) throw InstallError("Nothing was downloaded for " + listed->Name);
        file->CheckUnchanged();
        files.push_back(file);
    }
    return files;
}

transaction::Transaction& Open(const InstallState& state) {
    if (!state.Transaction || !state.Transaction->Open()) throw InstallError("No installation under way");
    return *state.Transaction;
}

// A link in `folder` through the transaction; none where the shell gave no folder.
void Shortcut(const InstallState& state, const std::string& target, const std::string& linkName,
              const std::string& folder) {
    if (folder.empty()) return;
    const std::string& dir = Open(state).InstallDir();
    Open(state).WriteShortcut(WithBackslash(folder) + linkName,
                              [&] { CreateShortcut(target, "", dir, linkName, folder); });
}

// The staged files moved into place. The installation cannot be said done while an older file
// stays: a running quorvane.exe holds its file open, and a silent failure here would report a
// reinstall as success.
void PlaceProductFiles(const InstallState& state, const std::vector<const HeldDownload*>& files) {
    transaction::Transaction& transaction = Open(state);
    std::vector<transaction::Transaction::StagedFile> staged;
    for (const HeldDownload* file : files) staged.push_back({file->Name(), transaction.InstallDir() + file->Name()});
    transaction.PlaceStaged(staged);
    for (const HeldDownload* file : files)
        LogLine("Copied " + file->Path() + " to " + transaction.InstallDir() + file->Name());
}

// What the installed files take on disk, in KiB as the uninstall entry's EstimatedSize counts it.
DWORD InstalledKiB(const std::string& dir, const release::TRelease& release) {
    unsigned long long bytes = 0;
    for (const release::TReleaseFile& file : release.Files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(encoding::WidenPath(dir + file.Name).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return DWORD((bytes + 1023) / 1024);
}

// The installed files this installation would replace, for the check of files in use.
std::vector<std::string> FilesToReplace(const std::string& dir, const std::vector<const HeldDownload*>& files) {
    std::vector<std::string> paths;
    for (const HeldDownload* file : files) paths.push_back(WithBackslash(dir) + file->Name());
    return paths;
}

}  // namespace

void WriteInstallLocation(const InstallState& state) {
    std::optional<RegistryKey> key = RegistryKey::TryCreate(HKEY_LOCAL_MACHINE, kLocationKey);
    if (key && state.Cancelled == 0) key->WriteString(kLocationValue, state.InstallDir);
}

void WriteUninstallEntry(const InstallState& state) {
    const release::TRelease& release = AcceptedRelease(state);
    const std::string edition = TranslatedUtf8(kTextEdition);
    RegistryKey key = RegistryKey::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + edition);
    key.WriteString("DisplayName", "Quorvane " + edition);
    key.WriteString("UninstallString", Quoted(state.InstallDir + kUninstallCommandExe));
    // What "Installed apps" and deployment tools read besides the name.
    key.WriteString("DisplayVersion", release.Version);
    key.WriteString("Publisher", QUORVANE_PUBLISHER);
    key.WriteString("DisplayIcon", state.InstallDir + kProductExe);
    key.WriteString("InstallLocation", state.InstallDir);
    key.WriteDword("EstimatedSize", InstalledKiB(state.InstallDir, release));
    // The product has no repair or change mode: hide the buttons that would run the uninstaller.
    key.WriteDword("NoModify", 1);
    key.WriteDword("NoRepair", 1);
    key.WriteString("URLInfoAbout", kProductWebSite);
    key.WriteString("HelpLink", kProductWebSite);
    RecordReleaseSequence(release.Sequence);
}

void WriteAutoStart(const InstallState& state) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kRunKey);
    key.WriteString(kRunValue, Quoted(state.InstallDir + kRunCommandExe));
}

void CreateStartMenuGroup(const InstallState& state) {
    // No Programs folder: the group would land in the current directory or a drive root.
    if (state.ProgramsPath.empty()) return;
    const std::string group = state.ProgramsPath + TranslatedUtf8(kTextProgramsGroup);
    // A group that cannot be made: its shortcuts are not saved, as the shell link says.
    Open(state).MakeFolders(group);
    const std::string& dir = Open(state).InstallDir();
    Shortcut(state, dir + kProductExe, "Quorvane.Lnk", group);
    Shortcut(state, dir + kUpdaterExe, "miseajour.Lnk", group);
    Shortcut(state, dir + kUninstallerExe, "uninstall.Lnk", group);
}

void FinishInstall(const InstallState& state) {
    // Both come from earlier steps; empty ones would write into the current directory.
    if (state.InstallDir.empty()) throw InstallError("No installation directory was chosen");
    if (!state.Downloads) throw InstallError("No download folder");
    const std::vector<const HeldDownload*> files = UnchangedDownloads(*state.Downloads, AcceptedRelease(state));
    if (state.Cancelled == 1) return;
    // An attempt that did not reach its end is undone before a new one starts.
    state.Transaction.reset();
    OpenTransaction(state);
    try {
        for (const HeldDownload* file : files)
            state.Transaction->Stage(file->Name(),
                                     [file](HANDLE out, const std::string& path) { file->CopyInto(out, path); });
        // Nothing has changed on the machine yet: what must hold before the first change is checked here.
        // A running Quorvane would otherwise keep its file, or run an older one than the rest.
        inuse::WaitUntilNotInUse(FilesToReplace(state.InstallDir, files), state.FilesInUse);
        if (!state.Transaction->MakeFolders(state.InstallDir))
            throw InstallError("Cannot create the directory " + state.InstallDir);
        WriteInstallLocation(state);
        state.InstallDir = WithBackslash(state.InstallDir);
        PlaceProductFiles(state, files);
        Status(state, kTextCreatingShortcuts);
        CreateStartMenuGroup(state);
        Shortcut(state, Open(state).InstallDir() + kProductExe, TranslatedUtf8(kTextDesktopLink), state.DesktopPath);
        Status(state, kTextRegisteringUninstall);
        WriteUninstallEntry(state);
    } catch (...) {
        RollBackAndRethrow(state);
    }
    if (state.Cancelled == 0) state.InstallDone = 1;
    else state.Transaction.reset();
}

void TransactionDeleter::operator()(transaction::Transaction* transaction) const noexcept { delete transaction; }

void CommitWithoutClosingSteps(const InstallState& state) {
    if (!state.Transaction || !state.Transaction->Open()) return;
    try {
        state.Transaction->Commit();
    } catch (...) {
        RollBackAndRethrow(state);
    }
    state.Transaction.reset();
}

transaction::Transaction& OpenTransaction(const InstallState& state) {
    if (!state.Transaction || !state.Transaction->Open())
        state.Transaction.reset(
            new transaction::Transaction(transaction::JournalPath(), state.InstallDir, AcceptedRelease(state).Version));
    return *state.Transaction;
}

void RollBackAndRethrow(const InstallState& state) {
    const std::vector<std::string> failures =
        state.Transaction ? state.Transaction->Rollback() : std::vector<std::string>();
    state.Transaction.reset();
    if (failures.empty()) throw;
    std::string text;
    try {
        throw;
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        text = "The installation failed";
    }
    text += "\n\nThese changes could not be undone:";
    for (const std::string& failure : failures) text += "\n" + failure;
    throw InstallError(text);
}

}  // namespace install

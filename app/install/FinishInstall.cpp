#include "app/install/FinishInstall.h"

#include "app/install/HeldDownload.h"
#include "app/install/HeldFiles.h"
#include "app/install/InstallSupport.h"
#include "app/install/Registry.h"
#include "app/install/ReleaseSequence.h"
#include "app/install/ShellLink.h"
#include "app/log/InstallLog.h"
#include "app/release/ReleaseManifest.h"
#include "ProductInfo.h"
#include "i18n/traducteur.h"
#include "ui/Text.h"
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

// The installation cannot be said done while an older file stays in place: a running
// quorvane.exe holds its file open, and a silent failure here would report a reinstall as success.
void CopyProductFile(const HeldDownload& file, const std::string& toDir) {
    file.CopyTo(toDir + file.Name());
    LogLine("Copied " + file.Path() + " to " + toDir + file.Name());
}

// What the installed files take on disk, in KiB as the uninstall entry's EstimatedSize counts it.
DWORD InstalledKiB(const std::string& dir, const release::TRelease& release) {
    unsigned long long bytes = 0;
    for (const release::TReleaseFile& file : release.Files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(ui::WidenPath(dir + file.Name).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return DWORD((bytes + 1023) / 1024);
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
    CreateDirectoryW(ui::WidenPath(state.ProgramsPath + "Quorvane\\").c_str(), nullptr);
    CreateDirectoryW(ui::WidenPath(group).c_str(), nullptr);
    const std::string& dir = state.InstallDir;
    CreateShortcut(dir + kProductExe, "", dir, "Quorvane.Lnk", group);
    CreateShortcut(dir + kUpdaterExe, "", dir, "miseajour.Lnk", group);
    CreateShortcut(dir + kUninstallerExe, "", dir, "uninstall.Lnk", group);
}

void FinishInstall(const InstallState& state) {
    // Both come from earlier steps; empty ones would write into the current directory.
    if (state.InstallDir.empty()) throw InstallError("No installation directory was chosen");
    if (!state.Downloads) throw InstallError("No download folder");
    const std::vector<const HeldDownload*> files = UnchangedDownloads(*state.Downloads, AcceptedRelease(state));
    WriteInstallLocation(state);
    if (state.Cancelled == 1) return;
    state.InstallDir = WithBackslash(state.InstallDir);
    for (const HeldDownload* file : files) CopyProductFile(*file, state.InstallDir);
    Status(state, kTextCreatingShortcuts);
    CreateStartMenuGroup(state);
    CreateShortcut(state.InstallDir + kProductExe, "", state.InstallDir, TranslatedUtf8(kTextDesktopLink),
                   state.DesktopPath);
    Status(state, kTextRegisteringUninstall);
    WriteUninstallEntry(state);
    if (state.Cancelled == 0) state.InstallDone = 1;
}

}  // namespace install

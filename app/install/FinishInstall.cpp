#include "app/install/FinishInstall.h"

#include "app/install/InstallSupport.h"
#include "app/install/Registry.h"
#include "app/install/ShellLink.h"
#include "ui/Text.h"

namespace install {
namespace {

void Status(const InstallState& state, int text) {
    if (state.SetStatus) state.SetStatus(Text(text));
}

// The installation cannot be said done while an older file stays in place: a running
// quorvane.exe holds its file open, and a silent failure here would report a reinstall as success.
void CopyProductFile(const std::string& fromDir, const std::string& toDir, const std::string& name) {
    const std::string from = fromDir + name;
    const std::string to = toDir + name;
    if (!CopyFileW(ui::WidenPath(from).c_str(), ui::WidenPath(to).c_str(), FALSE)) {
        DWORD error = GetLastError();
        throw InstallError("Cannot copy " + name + " to " + PathForText(to) + ": " + SystemErrorText(error));
    }
}

}  // namespace

void WriteInstallLocation(const InstallState& state) {
    std::optional<RegistryKey> key = RegistryKey::TryCreate(HKEY_LOCAL_MACHINE, kLocationKey);
    if (key && state.Cancelled == 0) key->WritePath(kLocationValue, state.InstallDir);
}

void WriteUninstallEntry(const InstallState& state) {
    const std::string name = "Quorvane " + Text(27);
    RegistryKey key = RegistryKey::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPrefix + Text(27));
    key.WriteString("DisplayName", name);
    key.WritePath("UninstallString", Quoted(state.InstallDir + "Uninstall.exe"));
}

void WriteAutoStart(const InstallState& state) {
    RegistryKey key = RegistryKey::Create(HKEY_CURRENT_USER, kRunKey);
    key.WritePath(kRunValue, Quoted(state.InstallDir + "Quorvane.exe"));
}

void CreateStartMenuGroup(const InstallState& state) {
    // No Programs folder: the group would land in the current directory or a drive root.
    if (state.ProgramsPath.empty()) return;
    const std::string group = state.ProgramsPath + PathText(18);
    CreateDirectoryW(ui::WidenPath(state.ProgramsPath + "Quorvane\\").c_str(), nullptr);
    CreateDirectoryW(ui::WidenPath(group).c_str(), nullptr);
    const std::string& dir = state.InstallDir;
    CreateShortcut(dir + "quorvane.exe", "", dir, "Quorvane.Lnk", group);
    CreateShortcut(dir + "miseajour.exe", "", dir, "miseajour.Lnk", group);
    CreateShortcut(dir + "uninstall.exe", "", dir, "uninstall.Lnk", group);
}

void FinishInstall(const InstallState& state) {
    // Both come from earlier steps; empty ones would write into the current directory.
    if (state.InstallDir.empty()) throw InstallError("No installation directory was chosen");
    if (state.DownloadDir.empty()) throw InstallError("No download folder");
    WriteInstallLocation(state);
    if (state.Cancelled == 1) return;
    const std::string downloaded = WithBackslash(state.DownloadDir);
    state.InstallDir = WithBackslash(state.InstallDir);
    for (const char* name : kProductFiles) CopyProductFile(downloaded, state.InstallDir, name);
    Status(state, 33);
    CreateStartMenuGroup(state);
    CreateShortcut(state.InstallDir + "quorvane.exe", "", state.InstallDir, PathText(15), state.DesktopPath);
    Status(state, 34);
    WriteUninstallEntry(state);
    if (state.Cancelled == 0) state.InstallDone = 1;
}

}  // namespace install

#pragma once
// The product's four files: their names, the order the download fetches them in and the order
// the finishing steps copy them in, before the release's other files. A release manifest must
// list them all.
namespace install {

inline constexpr char kProductExe[] = "quorvane.exe";  // its presence marks an earlier installation
inline constexpr char kUpdaterExe[] = "miseajour.exe";
inline constexpr char kProductIni[] = "quorvane.ini";
inline constexpr char kUninstallerExe[] = "uninstall.exe";

inline constexpr const char* kDownloadOrder[] = {kProductExe, kProductIni, kUpdaterExe, kUninstallerExe};
inline constexpr const char* kProductFiles[] = {kProductExe, kUpdaterExe, kProductIni, kUninstallerExe};

// The uninstall entry and the Run value name the files with a capital: what earlier installations
// wrote and what tools reading the registry have seen, kept as it is (file names are not
// case-sensitive).
inline constexpr char kRunCommandExe[] = "Quorvane.exe";
inline constexpr char kUninstallCommandExe[] = "Uninstall.exe";

}  // namespace install

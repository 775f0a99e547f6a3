#include "app/record/RemovalScope.h"

#include "app/install/FinishInstall.h"

#include <string_view>

namespace record {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Windows compares names without regard to case; ASCII is what the product's own names use.
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view WithoutFinalBackslash(std::string_view path) {
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

bool SamePath(std::string_view a, std::string_view b) {
    return SameText(WithoutFinalBackslash(a), WithoutFinalBackslash(b));
}

bool InsideAny(std::string_view path, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders)
        if (!folder.empty() && IsInsideFolder(path, folder)) return true;
    return false;
}

// HKLM\Software\Quorvane and below, and the uninstall entry "...\Uninstall\Quorvane <edition>".
bool IsProductKey(const TRecordEntry& entry) {
    if (entry.Root != "HKLM") return false;
    constexpr std::string_view kProductKey = "Software\\Quorvane";
    const std::string_view path = entry.Path;
    if (SameText(path, kProductKey) ||
        (path.size() > kProductKey.size() && SameText(path.substr(0, kProductKey.size() + 1), "Software\\Quorvane\\")))
        return true;
    const std::string_view uninstall = install::kUninstallKeyPrefix;
    return path.size() > uninstall.size() && SameText(path.substr(0, uninstall.size()), uninstall) &&
           path.find('\\', uninstall.size()) == std::string_view::npos;
}

bool IsAutoStartValue(const TRecordEntry& entry) {
    return entry.Root == "HKCU" && SameText(entry.Path, install::kRunKey) && SameText(entry.Name, install::kRunValue);
}

bool EndsWithLnk(std::string_view path) { return path.size() > 4 && SameText(path.substr(path.size() - 4), ".lnk"); }

}  // namespace

std::string WhyNotTheProducts(const TRecordEntry& entry, const TProductPlaces& places) {
    const std::string& path = entry.Path;
    switch (entry.Kind) {
    case EntryKind::File:
        return IsInsideFolder(path, places.InstallFolder) ? "" : "a file outside the installation folder: " + path;
    case EntryKind::Folder:
        if (SamePath(path, places.InstallFolder) || IsInsideFolder(path, places.InstallFolder) ||
            IsInsideFolder(places.InstallFolder, path) || InsideAny(path, places.ShortcutFolders))
            return "";
        return "a folder neither of the installation nor of the start menu: " + path;
    case EntryKind::Shortcut:
        if (!EndsWithLnk(path)) return "a shortcut that is not a .lnk file: " + path;
        return InsideAny(path, places.ShortcutFolders) ? "" : "a shortcut outside the start menu and desktop: " + path;
    case EntryKind::RegistryKey:
        return IsProductKey(entry) ? "" : "a registry key not of the product: " + entry.Root + "\\" + path;
    case EntryKind::RegistryValue:
        return IsProductKey(entry) || IsAutoStartValue(entry)
                   ? ""
                   : "a registry value not of the product: " + entry.Root + "\\" + path + " " + entry.Name;
    case EntryKind::Setting:
        return !places.SettingsFile.empty() && SamePath(path, places.SettingsFile)
                   ? ""
                   : "a setting outside the product's settings file: " + path;
    }
    return "an unknown kind of entry";
}

}  // namespace record

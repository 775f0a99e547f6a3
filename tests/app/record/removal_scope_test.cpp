// What the uninstaller may remove of a record, as one table: what an honest record of the
// product lists is accepted; each edit that points outside the product's places is refused.
#include <gtest/gtest.h>

#include "app/record/RemovalScope.h"

namespace {

using record::EntryKind;

const record::TProductPlaces kPlaces{"C:\\Program Files\\Quorvane\\Basic",
                                     {"C:\\Users\\me\\Start Menu\\Programs", "", "C:\\Users\\me\\Desktop"},
                                     "C:\\windows\\Quorvane_b.ini"};

record::TRecordEntry E(EntryKind kind, std::string path, std::string root = "", std::string name = "",
                       std::string key = "") {
    return {kind, std::move(path), std::move(root), std::move(name), std::move(key)};
}

struct Row {
    record::TRecordEntry entry;
    const char* refusal;  // a part of the reason, or empty: the product's
};

const Row kRows[] = {
    // What the installation makes.
    {E(EntryKind::Folder, "C:\\Program Files\\Quorvane\\Basic"), ""},
    {E(EntryKind::Folder, "c:\\program files\\quorvane\\basic\\"), ""},
    {E(EntryKind::Folder, "C:\\Program Files\\Quorvane"), ""},  // above it: removed only when empty
    {E(EntryKind::Folder, "C:\\Program Files\\Quorvane\\Basic\\data"), ""},
    {E(EntryKind::Folder, "C:\\Users\\me\\Start Menu\\Programs\\Quorvane\\Basic"), ""},
    {E(EntryKind::File, "C:\\Program Files\\Quorvane\\Basic\\quorvane.exe"), ""},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\Start Menu\\Programs\\Quorvane\\Basic\\Quorvane.Lnk"), ""},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\Desktop\\Quorvane Basic.lnk"), ""},
    {E(EntryKind::RegistryKey, "Software\\Quorvane", "HKLM"), ""},
    {E(EntryKind::RegistryValue, "Software\\Quorvane\\Quorvane\\RaRozo", "HKLM", "emplacement"), ""},
    {E(EntryKind::RegistryKey, "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane Basic version",
       "HKLM"),
     ""},
    {E(EntryKind::RegistryValue, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane Basic version",
       "HKLM", "DisplayName"),
     ""},
    {E(EntryKind::RegistryValue, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKCU", "QuorvaneRaRozo"), ""},
    {E(EntryKind::Setting, "C:\\Windows\\quorvane_b.ini", "", "Settings", "langue"), ""},

    // An edited record.
    {E(EntryKind::File, "C:\\Windows\\system32\\kernel32.dll"), "outside the installation folder"},
    {E(EntryKind::File, "C:\\Program Files\\Quorvane\\Basic"), "outside the installation folder"},
    {E(EntryKind::File, "C:\\Program Files\\Quorvane\\BasicEvil\\x.exe"), "outside the installation folder"},
    {E(EntryKind::File, "C:\\Program Files\\Quorvane\\other.exe"), "outside the installation folder"},
    {E(EntryKind::Folder, "C:\\Windows"), "a folder neither"},
    {E(EntryKind::Folder, "C:\\Program Files\\Quorvane\\Professional"), "a folder neither"},
    {E(EntryKind::Folder, "C:\\Users\\me\\Start Menu\\Programs"), "a folder neither"},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\Desktop\\notes.txt"), "not a .lnk"},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\Desktop\\lnk"), "not a .lnk"},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\Documents\\Quorvane.lnk"), "outside the start menu"},
    {E(EntryKind::Shortcut, "C:\\Users\\me\\DesktopX\\Quorvane.lnk"), "outside the start menu"},
    {E(EntryKind::RegistryKey, "Software\\Microsoft", "HKLM"), "not of the product"},
    {E(EntryKind::RegistryKey, "Software\\QuorvaneEvil", "HKLM"), "not of the product"},
    {E(EntryKind::RegistryKey, "Software\\Quorvane", "HKCU"), "not of the product"},
    {E(EntryKind::RegistryKey, "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane Basic version\\x",
       "HKLM"),
     "not of the product"},
    {E(EntryKind::RegistryKey, "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "HKLM"),
     "not of the product"},
    {E(EntryKind::RegistryValue, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKCU", "OneDrive"),
     "not of the product"},
    {E(EntryKind::RegistryValue, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKLM", "QuorvaneRaRozo"),
     "not of the product"},
    {E(EntryKind::RegistryKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKCU"), "not of the product"},
    {E(EntryKind::Setting, "C:\\Windows\\win.ini", "", "Settings", "langue"), "settings file"},
    {E(EntryKind::Setting, "C:\\Program Files\\Quorvane\\Basic\\Quorvane_b.ini", "", "Settings", "langue"),
     "settings file"},
};

TEST(RemovalScope, OnlyTheProductsOwnThingsAreRemoved) {
    for (const Row& row : kRows) {
        const std::string why = record::WhyNotTheProducts(row.entry, kPlaces);
        const std::string shown = row.entry.Root + " " + row.entry.Path + " " + row.entry.Name;
        if (*row.refusal == '\0') EXPECT_EQ(why, "") << shown;
        else EXPECT_NE(why.find(row.refusal), std::string::npos) << shown << ": " << why;
    }
}

// A machine whose shell gave no folder, or no Windows folder: nothing can be inside an empty one.
TEST(RemovalScope, AnUnknownPlaceHoldsNothing) {
    const record::TProductPlaces none{"C:\\Program Files\\Quorvane\\Basic", {""}, ""};
    EXPECT_NE(record::WhyNotTheProducts(E(EntryKind::Shortcut, "C:\\x\\Quorvane.lnk"), none), "");
    EXPECT_NE(record::WhyNotTheProducts(E(EntryKind::Setting, "C:\\x.ini", "", "Settings", "langue"), none), "");
}

}  // namespace

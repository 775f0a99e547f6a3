// The uninstaller's removal for real under Wine, from a record a user edited to point at things
// that are not the product's: a file and a folder elsewhere, a link outside the start menu, a
// document in it, another program's registry value, another settings file, a file reached through
// a link in the installation folder. None of them is touched; the product's own things go, and a
// file the user added keeps itself and its folder.
//
// Wine's CreateSymbolicLinkW makes nothing, but it shows a Unix symbolic link as a reparse point:
// the build makes one (QUORVANE_LINK_FIXTURE: install\link -> elsewhere) for the link's row.
#include <gtest/gtest.h>

#include <windows.h>

#include "RecordRemoval.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"
#include "encoding/TextEncoding.h"

namespace {

using record::EntryKind;
using testsupport::Exists;
using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

constexpr wchar_t kVictimKey[] = L"Software\\QuorvaneTestVictim";
constexpr wchar_t kProductKey[] = L"Software\\Quorvane\\RemovalTest";

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr), ERROR_SUCCESS);
    RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(opened);
}

bool HasValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    return RegGetValueW(root, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool HasKey(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

record::TRecordEntry E(EntryKind kind, std::string path, std::string root = "", std::string name = "",
                       std::string key = "") {
    return {kind, std::move(path), std::move(root), std::move(name), std::move(key)};
}

class RecordRemoval : public testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kVictimKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, kVictimKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
    }
    testsupport::TemporaryFolder scratch{"qv-removal"};
};

TEST_F(RecordRemoval, AnEditedRecordRemovesNothingButTheProducts) {
    const std::string install = scratch.Path() + "Quorvane", menu = scratch.Path() + "Programs",
                      elsewhere = scratch.Path() + "Elsewhere";
    for (const std::string& folder :
         {install, install + "\\data", menu, menu + "\\Quorvane", elsewhere, elsewhere + "\\empty"})
        CreateDirectoryW(encoding::WidenPath(folder).c_str(), nullptr);
    for (const std::string& file : {install + "\\quorvane.exe", install + "\\data\\q.dat", menu + "\\Quorvane\\Q.lnk",
                                    menu + "\\notes.txt", elsewhere + "\\victim.dll", elsewhere + "\\Victim.lnk"})
        WriteWholeFile(file, "keep or remove");
    WriteWholeFile(install + "\\mine.txt", "the user's");
    const std::string fixture = QUORVANE_LINK_FIXTURE;
    WriteWholeFile(fixture + "\\elsewhere\\through-link.dll", "keep");
    WriteWholeFile(scratch.Path() + "Quorvane_b.ini", "[Settings]\r\nlangue=anglais\r\n");
    WriteWholeFile(elsewhere + "\\other.ini", "[Settings]\r\nlangue=anglais\r\n");
    SetValue(HKEY_CURRENT_USER, kVictimKey, L"QuorvaneRaRozo");
    SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"emplacement");
    const record::TProductPlaces places{install, {menu}, scratch.Path() + "Quorvane_b.ini"};
    const record::TInstallRecord edited{
        "1.0.0",
        {E(EntryKind::Folder, install), E(EntryKind::Folder, install + "\\data"),
         E(EntryKind::File, install + "\\quorvane.exe"), E(EntryKind::File, install + "\\data\\q.dat"),
         E(EntryKind::Folder, menu + "\\Quorvane"), E(EntryKind::Shortcut, menu + "\\Quorvane\\Q.lnk"),
         E(EntryKind::RegistryKey, "Software\\Quorvane\\RemovalTest", "HKLM"),
         E(EntryKind::RegistryValue, "Software\\Quorvane\\RemovalTest", "HKLM", "emplacement"),
         E(EntryKind::Setting, scratch.Path() + "Quorvane_b.ini", "", "Settings", "langue"),
         // The edits.
         E(EntryKind::File, elsewhere + "\\victim.dll"), E(EntryKind::Folder, elsewhere + "\\empty"),
         E(EntryKind::Shortcut, elsewhere + "\\Victim.lnk"), E(EntryKind::Shortcut, menu + "\\notes.txt"),
         E(EntryKind::RegistryValue, "Software\\QuorvaneTestVictim", "HKCU", "QuorvaneRaRozo"),
         E(EntryKind::Setting, elsewhere + "\\other.ini", "", "Settings", "langue")}};

    const uninstall::TRemoval removal = uninstall::RemoveRecorded(edited, places, {});

    EXPECT_EQ(removal.Refused.size(), 6u);
    EXPECT_TRUE(removal.Failed.empty()) << removal.Failed.front();
    for (const std::string& kept :
         {elsewhere + "\\victim.dll", elsewhere + "\\Victim.lnk", menu + "\\notes.txt", install + "\\mine.txt"})
        EXPECT_TRUE(Exists(kept)) << kept;
    EXPECT_TRUE(Exists(elsewhere + "\\empty"));
    EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, kVictimKey, L"QuorvaneRaRozo"));
    EXPECT_EQ(ReadWholeFile(elsewhere + "\\other.ini"), "[Settings]\r\nlangue=anglais\r\n");
    // The product's own: gone, its folder kept for the user's file.
    for (const std::string& gone :
         {install + "\\quorvane.exe", install + "\\data", menu + "\\Quorvane", scratch.Path() + "Quorvane_b.ini"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(Exists(install));
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, kProductKey));

    // Inside the installation folder by its text, elsewhere in fact.
    const uninstall::TRemoval linked =
        uninstall::RemoveRecorded({"1.0.0", {E(EntryKind::File, fixture + "\\install\\link\\through-link.dll")}},
                                  {fixture + "\\install", {}, ""}, {});
    ASSERT_EQ(linked.Failed.size(), 1u);
    EXPECT_NE(linked.Failed[0].find("a link stands on its way"), std::string::npos) << linked.Failed[0];
    EXPECT_EQ(ReadWholeFile(fixture + "\\elsewhere\\through-link.dll"), "keep");
}

// The same record once more, as the uninstaller's copy plays it after the removal: nothing left
// to do is no failure.
TEST_F(RecordRemoval, WhatIsGoneAlreadyIsNoFailure) {
    const std::string install = scratch.Path() + "Gone";
    const record::TInstallRecord gone{"1.0.0",
                                      {E(EntryKind::Folder, install), E(EntryKind::File, install + "\\quorvane.exe"),
                                       E(EntryKind::RegistryKey, "Software\\Quorvane\\RemovalTest", "HKLM"),
                                       E(EntryKind::RegistryValue, "Software\\Quorvane\\RemovalTest", "HKLM", "x"),
                                       E(EntryKind::Setting, scratch.Path() + "Quorvane_b.ini", "", "Settings", "l")}};
    const uninstall::TRemoval removal =
        uninstall::RemoveRecorded(gone, {install, {}, scratch.Path() + "Quorvane_b.ini"}, {});
    EXPECT_TRUE(removal.Failed.empty()) << removal.Failed.front();
    EXPECT_TRUE(removal.Refused.empty());
    EXPECT_FALSE(Exists(scratch.Path() + "Quorvane_b.ini"));
}

}  // namespace

// The install record as one table: a good record, then one row per rule, each changing it in one
// place and saying whether it stays acceptable or which line is refused and why. Then what the
// writer refuses, and the containment check the uninstaller relies on.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/record/InstallRecord.h"

namespace {

// 1 header, 2 version, 3-8 one entry of each kind; 9 is the next line.
const std::string kGood =
    "quorvane-install-record 1\n"
    "version 2.4.1\n"
    "folder\tC:\\Program Files\\Quorvane\n"
    "file\tC:\\Program Files\\Quorvane\\quorvane.exe\n"
    "shortcut\t\\\\server\\share\\Quorvane.lnk\n"
    "registry-key\tHKLM\tSoftware\\Quorvane\n"
    "registry-value\tHKCU\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Run\t\n"
    "setting\tC:\\Program Files\\Quorvane\\quorvane.ini\tSettings\tlangue\n";

struct Row {
    std::string find, replace;  // the first `find` replaced; an empty `find` appends
    std::size_t line;           // 0 and an empty reason: accepted
    const char* reason;
};

const Row kRows[] = {
    {"", "", 0, ""},
    {"\n", "\r\n", 0, ""},
    {"quorvane.exe", "\xD0\xBA\xD0\xB2\xD0\xBE\xD1\x80.exe", 0, ""},
    {"Software\\Quorvane\n", "Software\\Odd: name*\n", 0, ""},  // keys may hold what files may not
    {"", "file\tc:\\x\\y\n", 0, ""},

    {"quorvane-install-record 1", "quorvane-install-record 2", 1, "format 1"},
    {"quorvane-install-record 1", "\xEF\xBB\xBFquorvane-install-record 1", 1, "format 1"},
    {kGood, "", 0, "empty"},
    {kGood, "quorvane-install-record 1\n", 0, "no version"},
    {"version 2.4.1", "versions 2.4.1", 2, "version"},
    {"version 2.4.1", "version ", 2, "version"},
    {"", "file\tC:\\x", 0, "line end"},
    {"", std::string(1024 * 1024, '#'), 0, "1 MiB"},

    {"", "link\tC:\\x\n", 9, "unknown kind"},
    {"", "\n", 9, "unknown kind"},
    {"", "file\tC:\\x\tC:\\y\n", 9, "number of fields"},
    {"", "setting\tC:\\x.ini\tSettings\n", 9, "number of fields"},
    {"", "file C:\\x\n", 9, "unknown kind"},

    {"", "file\tx\\y\n", 9, "absolute"},
    {"", "file\tC:x\n", 9, "absolute"},
    {"", "file\tC:\\\n", 9, "absolute"},
    {"", "file\tC:\\a\\..\\Windows\\x.dll\n", 9, "absolute"},
    {"", "file\tC:\\a\\.\\x\n", 9, "absolute"},
    {"", "file\tC:\\a\\\\x\n", 9, "absolute"},
    {"", "file\tC:\\a/..\\x\n", 9, "absolute"},
    {"", "file\t\\\\?\\C:\\x\n", 9, "absolute"},
    {"", "file\tC:\\a\\x:stream\n", 9, "absolute"},
    {"", "folder\tC:\\a\\\n", 9, "absolute"},
    {"", "file\tC:\\a\\x\xC3\n", 9, "UTF-8"},
    {"", "file\tC:\\a\\\xC0\xAF\n", 9, "UTF-8"},
    {"", "file\tC:\\a\\\xED\xA0\x80\n", 9, "UTF-8"},
    {"", "file\tC:\\a\\x\r\r\n", 9, "control"},
    {"", "file\tC:\\a\\x\x7f\n", 9, "control"},

    {"HKLM\tSoftware\\Quorvane", "HKCR\tSoftware\\Quorvane", 6, "root"},
    {"HKLM\tSoftware\\Quorvane", "hklm\tSoftware\\Quorvane", 6, "root"},
    {"HKLM\tSoftware\\Quorvane", "HKLM\t\\Software", 6, "key path"},
    {"HKLM\tSoftware\\Quorvane", "HKLM\tSoftware\\\\Quorvane", 6, "key path"},
    {"HKLM\tSoftware\\Quorvane", "HKLM\t", 6, "key path"},
    {"\tSettings\tlangue", "\t\tlangue", 8, "section"},
    {"\tSettings\tlangue", "\tSettings\t", 8, "section"},
};

TEST(InstallRecordTest, EachRuleAcceptsOrRefusesWithItsLine) {
    for (const Row& row : kRows) {
        std::string text = kGood;
        if (row.find.empty()) {
            text += row.replace;
        } else {
            const std::size_t at = text.find(row.find);
            ASSERT_NE(at, std::string::npos) << row.find;
            text.replace(at, row.find.size(), row.replace);
        }
        const record::TRecordResult result = record::ParseInstallRecord(text);
        const std::string context =
            "row replacing [" + row.find.substr(0, 40) + "] by [" + row.replace.substr(0, 40) + "]";
        if (*row.reason == '\0') {
            ASSERT_TRUE(result.Record) << context << ": " << result.Reason << " at line " << result.Line;
            EXPECT_EQ(result.Record->Entries.size(), 6u + (row.find.empty() && !row.replace.empty()));
        } else {
            EXPECT_FALSE(result.Record) << context;
            EXPECT_EQ(result.Line, row.line) << context << ": " << result.Reason;
            EXPECT_NE(result.Reason.find(row.reason), std::string::npos) << context << ": " << result.Reason;
        }
    }
}

TEST(InstallRecordTest, WhatIsWrittenReadsBackAsItWas) {
    const record::TRecordResult good = record::ParseInstallRecord(kGood);
    ASSERT_TRUE(good.Record) << good.Reason;
    const record::TInstallRecord& read = *good.Record;
    EXPECT_EQ(read.Version, "2.4.1");
    EXPECT_EQ(read.Entries[4].Kind, record::EntryKind::RegistryValue);
    EXPECT_EQ(read.Entries[4].Root, "HKCU");
    EXPECT_EQ(read.Entries[4].Name, "");  // the default value
    EXPECT_EQ(read.Entries[5].Name, "Settings");
    EXPECT_EQ(read.Entries[5].Key, "langue");
    EXPECT_EQ(record::FormatInstallRecord(read), kGood);

    // The writer refuses what the reader would refuse, so no installation records what its
    // uninstaller could not read.
    for (const record::TRecordEntry& bad :
         {record::TRecordEntry{record::EntryKind::File, "relative\\x", "", "", ""},
          record::TRecordEntry{record::EntryKind::File, "C:\\a\tb", "", "", ""},
          record::TRecordEntry{record::EntryKind::RegistryKey, "Software", "HKU", "", ""},
          record::TRecordEntry{record::EntryKind::Setting, "C:\\a.ini", "", "", "k"}}) {
        record::TInstallRecord one{"1", {bad}};
        EXPECT_THROW(record::FormatInstallRecord(one), std::invalid_argument) << bad.Path;
    }
    EXPECT_THROW(record::FormatInstallRecord({"", {}}), std::invalid_argument);
}

TEST(InstallRecordTest, OnlyWhatLiesInsideTheFolderIsInside) {
    const std::string folder = "C:\\Program Files\\Quorvane";
    EXPECT_TRUE(record::IsInsideFolder("C:\\Program Files\\Quorvane\\quorvane.exe", folder));
    EXPECT_TRUE(record::IsInsideFolder("c:\\program files\\QUORVANE\\sub\\x.dat", folder + "\\"));
    EXPECT_FALSE(record::IsInsideFolder("C:\\Program Files\\Quorvane", folder));
    EXPECT_FALSE(record::IsInsideFolder("C:\\Program Files\\Quorvane\\", folder));
    EXPECT_FALSE(record::IsInsideFolder("C:\\Program Files\\QuorvaneEvil\\x", folder));
    EXPECT_FALSE(record::IsInsideFolder("C:\\Program Files\\Quorvane\\..\\..\\Windows\\x.dll", folder));
    EXPECT_FALSE(record::IsInsideFolder("C:\\Windows\\x.dll", folder));
    EXPECT_FALSE(record::IsInsideFolder("C:\\x", ""));
}

}  // namespace

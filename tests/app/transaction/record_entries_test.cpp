// What the install record lists after a commit, as one table: the earlier record's entries, then
// what this run's journal shows it made, each once, and the record itself; never what the run
// only replaced or changed.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/transaction/RecordEntries.h"

namespace {

using record::EntryKind;
using record::TRecordEntry;
using transaction::JournalStep;
using transaction::StepKind;

JournalStep Step(StepKind kind, std::string path, std::string other = "", std::string name = "", bool had = false) {
    JournalStep step;
    step.Kind = kind;
    step.Path = std::move(path);
    step.Other = std::move(other);
    step.Name = std::move(name);
    step.HadPrevious = had;
    return step;
}

const std::string kRecord = "C:\\Q\\install-record.txt";

struct Row {
    const char* what;
    std::optional<std::vector<TRecordEntry>> earlier;
    std::vector<JournalStep> steps;
    std::vector<TRecordEntry> listed;  // before the record's own entry, which always ends the list
};

const TRecordEntry kFolder{EntryKind::Folder, "C:\\Q", "", "", ""};
const TRecordEntry kExe{EntryKind::File, "C:\\Q\\quorvane.exe", "", "", ""};
const TRecordEntry kLink{EntryKind::Shortcut, "C:\\D\\Quorvane.Lnk", "", "", ""};
const TRecordEntry kKey{EntryKind::RegistryKey, "Software\\Quorvane", "HKLM", "", ""};
const TRecordEntry kValue{EntryKind::RegistryValue, "Software\\Quorvane", "HKLM", "emplacement", ""};
const TRecordEntry kRun{EntryKind::RegistryValue, "Software\\Run", "HKCU", "QuorvaneRaRozo", ""};
const TRecordEntry kSetting{EntryKind::Setting, "C:\\W\\Quorvane_b.ini", "", "Settings", "langue"};
const TRecordEntry kOwnRecord{EntryKind::File, kRecord, "", "", ""};

const Row kRows[] = {
    {"a first installation: all it made, in order",
     std::nullopt,
     {Step(StepKind::Begin, "C:\\Q\\", "C:\\S"), Step(StepKind::FolderCreated, "C:\\Q"),
      Step(StepKind::FileCreated, "C:\\Q\\quorvane.exe"), Step(StepKind::KeyCreated, "Software\\Quorvane", "HKLM"),
      Step(StepKind::ValueSet, "Software\\Quorvane", "HKLM", "emplacement"),
      Step(StepKind::ShortcutCreated, "C:\\D\\Quorvane.Lnk"),
      Step(StepKind::SettingsFileCreated, "C:\\W\\Quorvane_b.ini"),
      Step(StepKind::SettingWritten, "C:\\W\\Quorvane_b.ini", "Settings", "langue"),
      Step(StepKind::ValueSet, "Software\\Run", "HKCU", "QuorvaneRaRozo")},
     {kFolder, kExe, kKey, kValue, kLink, kSetting, kRun}},
    {"what was there before the run is not the product's",
     std::nullopt,
     {Step(StepKind::Begin, "C:\\Q\\", "C:\\S"), Step(StepKind::FileReplaced, "C:\\Q\\quorvane.exe", "C:\\S\\b"),
      Step(StepKind::ShortcutReplaced, "C:\\D\\Quorvane.Lnk", "C:\\S\\c"),
      Step(StepKind::ValueSet, "Software\\Run", "HKCU", "QuorvaneRaRozo", true),
      Step(StepKind::SettingWritten, "C:\\W\\Quorvane_b.ini", "Settings", "langue", true)},
     {}},
    {"a reinstall keeps the earlier record's entries and adds what it made, once each",
     std::vector<TRecordEntry>{kFolder, kExe, kOwnRecord, kRun},
     {Step(StepKind::Begin, "C:\\Q\\", "C:\\S"), Step(StepKind::FileReplaced, "C:\\Q\\quorvane.exe", "C:\\S\\b"),
      Step(StepKind::ShortcutCreated, "C:\\D\\Quorvane.Lnk"), Step(StepKind::FileCreated, "C:\\Q\\quorvane.exe")},
     {kFolder, kExe, kOwnRecord, kRun, kLink}},
};

TEST(RecordAfterCommit, ListsWhatTheProductOwns) {
    for (const Row& row : kRows) {
        std::optional<record::TInstallRecord> earlier;
        if (row.earlier) earlier = record::TInstallRecord{"1.0", *row.earlier};
        const record::TInstallRecord made = transaction::RecordAfter(row.steps, earlier, "2.4.1", kRecord);
        std::vector<TRecordEntry> expected = row.listed;
        if (std::find_if(expected.begin(), expected.end(), [](const TRecordEntry& e) { return e.Path == kRecord; }) ==
            expected.end())
            expected.push_back(kOwnRecord);
        EXPECT_EQ(made.Version, "2.4.1") << row.what;
        ASSERT_EQ(made.Entries.size(), expected.size()) << row.what;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const TRecordEntry& a = made.Entries[i];
            const TRecordEntry& b = expected[i];
            EXPECT_TRUE(a.Kind == b.Kind && a.Path == b.Path && a.Root == b.Root && a.Name == b.Name && a.Key == b.Key)
                << row.what << ": entry " << i << " is " << a.Path << " " << a.Name;
        }
        // What the uninstaller will read: the writer takes every entry.
        EXPECT_NO_THROW(record::FormatInstallRecord(made)) << row.what;
    }
}

}  // namespace

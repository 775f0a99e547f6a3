#include "app/transaction/RecordEntries.h"

#include <algorithm>

namespace transaction {
namespace {

using record::EntryKind;
using record::TRecordEntry;

bool SameEntry(const TRecordEntry& a, const TRecordEntry& b) {
    return a.Kind == b.Kind && a.Path == b.Path && a.Root == b.Root && a.Name == b.Name && a.Key == b.Key;
}

// The record's entry for a step that made something new; nothing for one that changed what was
// there (or, as a settings file made for its entry, that the entry stands for).
std::optional<TRecordEntry> CreatedBy(const JournalStep& step) {
    switch (step.Kind) {
    case StepKind::FolderCreated: return TRecordEntry{EntryKind::Folder, step.Path, "", "", ""};
    case StepKind::FileCreated: return TRecordEntry{EntryKind::File, step.Path, "", "", ""};
    case StepKind::ShortcutCreated: return TRecordEntry{EntryKind::Shortcut, step.Path, "", "", ""};
    case StepKind::KeyCreated: return TRecordEntry{EntryKind::RegistryKey, step.Path, step.Other, "", ""};
    case StepKind::ValueSet:
        if (step.HadPrevious) return std::nullopt;
        return TRecordEntry{EntryKind::RegistryValue, step.Path, step.Other, step.Name, ""};
    case StepKind::SettingWritten:
        if (step.HadPrevious) return std::nullopt;
        return TRecordEntry{EntryKind::Setting, step.Path, "", step.Other, step.Name};
    default: return std::nullopt;
    }
}

}  // namespace

record::TInstallRecord RecordAfter(const std::vector<JournalStep>& steps,
                                   const std::optional<record::TInstallRecord>& earlier, const std::string& version,
                                   const std::string& recordPath) {
    record::TInstallRecord result;
    result.Version = version;
    const auto add = [&result](const TRecordEntry& entry) {
        const auto same = [&entry](const TRecordEntry& listed) { return SameEntry(listed, entry); };
        if (std::none_of(result.Entries.begin(), result.Entries.end(), same)) result.Entries.push_back(entry);
    };
    if (earlier)
        for (const TRecordEntry& entry : earlier->Entries) add(entry);
    // The record's own step (journaled with the files) is not where it goes: it is written last,
    // and listed last.
    for (const JournalStep& step : steps)
        if (step.Path != recordPath)
            if (const std::optional<TRecordEntry> entry = CreatedBy(step)) add(*entry);
    add({EntryKind::File, recordPath, "", "", ""});
    return result;
}

}  // namespace transaction

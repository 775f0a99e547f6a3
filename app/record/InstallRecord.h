#pragma once
// app/record owns the install record, its format and its reader (here).
//
// The install record: what one installation put on the machine, written by the installer into the
// installation directory and read by the uninstaller, which removes exactly what it lists. A text
// file, UTF-8 without a byte order mark, one line per thing, each line ending in LF (a CRLF is read
// too, since an editor may have saved it so):
//
//   quorvane-install-record 1
//   version 2.4.1
//   folder<TAB>C:\Program Files\Quorvane
//   file<TAB>C:\Program Files\Quorvane\quorvane.exe
//   shortcut<TAB>C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Quorvane\Quorvane.lnk
//   registry-key<TAB>HKLM<TAB>Software\Quorvane
//   registry-value<TAB>HKLM<TAB>Software\Quorvane<TAB>ReleaseSequence
//   setting<TAB>C:\Program Files\Quorvane\quorvane.ini<TAB>Settings<TAB>langue
//
// Entries come in the order they were made, so the reverse order removes a folder after what it
// holds. `folder`, `registry-key`: made by the installation, removed only when empty at the end.
// `registry-value`: an empty name is the key's default value. The record lists only what the
// installation created, never what was there before it. Format 1 is closed: another kind of line
// means a new format number. This part never sees windows.h.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace record {

inline constexpr char kInstallRecordName[] = "install-record.txt";
inline constexpr std::size_t kMaxRecordBytes = 1024 * 1024;

enum class EntryKind { Folder, File, Shortcut, RegistryKey, RegistryValue, Setting };

struct TRecordEntry {
    EntryKind Kind = EntryKind::File;
    std::string Path;  // folder, file, shortcut or settings file; the key's path under Root
    std::string Root;  // "HKLM" or "HKCU", registry entries only
    std::string Name;  // the registry value's name, or the setting's section
    std::string Key;   // the setting's key
};

struct TInstallRecord {
    std::string Version;
    std::vector<TRecordEntry> Entries;
};

// The record's text. Throws std::invalid_argument when an entry cannot be written as format 1
// allows (a control character in a field, a path that is not absolute, an unknown root), so
// that nothing is recorded that the uninstaller would then refuse.
std::string FormatInstallRecord(const TInstallRecord& record);

// Either the record or why it was refused: Reason in English for the log, Line the 1-based line
// concerned (0 for the whole text).
struct TRecordResult {
    std::optional<TInstallRecord> Record;
    std::string Reason;
    std::size_t Line = 0;
};
TRecordResult ParseInstallRecord(std::string_view bytes);

// Whether `path` lies strictly inside `folder` (both absolute, compared without regard to ASCII
// case, as Windows compares names): what an uninstaller checks before it deletes a listed file.
bool IsInsideFolder(std::string_view path, std::string_view folder);

}  // namespace record

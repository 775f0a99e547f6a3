#pragma once
// The transaction's journal: what the finishing steps are about to change on the machine, each
// step with what undoes it, written and flushed before the step runs. After a crash the next run
// reads it to finish the rollback, so its reader must accept any prefix of any journal: a record
// cut by a power failure, or never flushed, is a torn tail, ignored with all that follows it.
//
// The file is a sequence of records, each self-checking:
//   u32 payload length | u32 CRC-32 of the payload | payload
// and each payload:
//   u8 kind | u8 had-previous | u32 previous type | 4 x (u32 length | bytes): Path, Other, Name, Previous
// Integers are little-endian. The first record is Begin; Committed, when present, is the last.
// This part never sees windows.h: it is built natively for the table tests and the fuzz target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace transaction {

enum class StepKind : std::uint8_t {
    Begin = 1,            // Path: installation directory; Other: staging folder; Name: version
    FolderCreated,        // Path: the folder; undone by removing it when empty
    FileCreated,          // Path: the file; undone by deleting it
    FileReplaced,         // Path: the file; Other: its backup; undone by moving the backup back
    ShortcutCreated,      // as FileCreated
    ShortcutReplaced,     // as FileReplaced
    SettingsFileCreated,  // Path: the settings file, which did not exist; undone by deleting it
    KeyCreated,           // Other: "HKLM" or "HKCU"; Path: the key; undone by deleting it when empty
    ValueSet,             // Other: root; Path: key; Name: value; Previous: its data of PreviousType
    SettingWritten,       // Path: settings file; Other: section; Name: key; Previous: its value
    Committed,            // every step done: what is left is to remove the backups and the journal
};

struct JournalStep {
    StepKind Kind = StepKind::Begin;
    std::string Path;
    std::string Other;
    std::string Name;
    bool HadPrevious = false;        // ValueSet, SettingWritten: false when there was none
    std::uint32_t PreviousType = 0;  // ValueSet: the registry type of Previous
    std::string Previous;

    bool operator==(const JournalStep&) const = default;
};

// A record larger than this is not one we write: the reader takes it for garbage.
inline constexpr std::size_t kMaxJournalRecordBytes = 256 * 1024;

// The bytes of one record. Throws std::invalid_argument for a step the reader would refuse.
std::string EncodeJournalRecord(const JournalStep& step);

struct JournalReading {
    std::vector<JournalStep> Steps;
    std::size_t ValidBytes = 0;  // the records read, from the first byte
    bool Torn = false;           // bytes after them that are not a whole, sound record
    bool Committed() const { return !Steps.empty() && Steps.back().Kind == StepKind::Committed; }
};

// Every sound record from the start, stopping at the first that is cut short, fails its
// checksum, is not a step this format knows, or breaks the order (Begin first, once; nothing
// after Committed).
JournalReading ReadJournal(std::string_view bytes);

// What the step is, in words, for the log and the error box.
std::string DescribeStep(const JournalStep& step);

std::uint32_t Crc32(std::string_view bytes);

}  // namespace transaction

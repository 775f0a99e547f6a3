// The journal's reader as tables: a journal with every kind of step reads back as written; every
// prefix of it (a crash at any byte) reads as the records wholly inside it; and each way a record
// can be damaged or out of place ends the reading there, as a torn tail.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/transaction/JournalFormat.h"

namespace {

using transaction::JournalStep;
using transaction::StepKind;

JournalStep Make(StepKind kind, std::string path, std::string other = "", std::string name = "") {
    JournalStep step;
    step.Kind = kind;
    step.Path = std::move(path);
    step.Other = std::move(other);
    step.Name = std::move(name);
    return step;
}

JournalStep Previous(JournalStep step, std::uint32_t type, std::string previous) {
    step.HadPrevious = true;
    step.PreviousType = type;
    step.Previous = std::move(previous);
    return step;
}

// One of each kind, in an order a run could write them.
std::vector<JournalStep> EveryKind() {
    return {
        Make(StepKind::Begin, "C:\\Program Files\\Quorvane\\Basic\\", "C:\\Program Files\\Quorvane-staging-0f",
             "2.4.1"),
        Make(StepKind::FolderCreated, "C:\\Program Files\\Quorvane\\Basic"),
        Make(StepKind::FileCreated, "C:\\Program Files\\Quorvane\\Basic\\\xD0\xBA\xD0\xB2.exe"),
        Make(StepKind::FileReplaced, "C:\\Q\\quorvane.ini", "C:\\Quorvane-staging-0f\\backup-3"),
        Make(StepKind::ShortcutCreated, "C:\\Users\\u\\Desktop\\Quorvane Basic.Lnk"),
        Make(StepKind::ShortcutReplaced, "C:\\Users\\u\\Desktop\\Quorvane.Lnk", "C:\\Quorvane-staging-0f\\backup-5"),
        Make(StepKind::SettingsFileCreated, "C:\\Windows\\Quorvane_b.ini"),
        Make(StepKind::KeyCreated, "Software\\Quorvane", "HKLM"),
        Make(StepKind::ValueSet, "Software\\Quorvane", "HKLM", "emplacement"),
        Previous(Make(StepKind::ValueSet, "Software\\Run", "HKCU", ""), 4, std::string("\x01\x00\x00\x00", 4)),
        Previous(Make(StepKind::SettingWritten, "C:\\Windows\\Quorvane_b.ini", "Settings", "langue"), 0, "anglais"),
        Make(StepKind::Committed, ""),
    };
}

std::string Encode(const std::vector<JournalStep>& steps) {
    std::string bytes;
    for (const JournalStep& step : steps) bytes += transaction::EncodeJournalRecord(step);
    return bytes;
}

TEST(JournalReader, ReadsBackEveryKindAndTheKnownChecksum) {
    EXPECT_EQ(transaction::Crc32("123456789"), 0xCBF43926u);
    const std::vector<JournalStep> steps = EveryKind();
    const transaction::JournalReading reading = transaction::ReadJournal(Encode(steps));
    EXPECT_EQ(reading.Steps, steps);
    EXPECT_FALSE(reading.Torn);
    EXPECT_TRUE(reading.Committed());
    EXPECT_EQ(reading.ValidBytes, Encode(steps).size());
}

// What a crash at any byte leaves: the records wholly written, never a step that was not.
TEST(JournalReader, EveryPrefixReadsAsTheRecordsWhollyInIt) {
    const std::vector<JournalStep> steps = EveryKind();
    std::vector<std::size_t> ends;
    std::string bytes;
    for (const JournalStep& step : steps) ends.push_back((bytes += transaction::EncodeJournalRecord(step)).size());
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        std::size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= length) ++whole;
        const transaction::JournalReading reading = transaction::ReadJournal(std::string_view(bytes).substr(0, length));
        ASSERT_EQ(reading.Steps.size(), whole) << length;
        EXPECT_TRUE(std::equal(reading.Steps.begin(), reading.Steps.end(), steps.begin())) << length;
        EXPECT_EQ(reading.ValidBytes, whole ? ends[whole - 1] : 0) << length;
        EXPECT_EQ(reading.Torn, reading.ValidBytes != length) << length;
        EXPECT_EQ(reading.Committed(), whole == steps.size()) << length;
    }
}

struct Damage {
    const char* what;
    std::size_t record;  // the first record read no more
    std::size_t at;      // byte offset inside that record (8 = the payload's first byte, the kind)
    std::string bytes;   // XORed into the record there, or appended when `at` is npos
};

constexpr std::size_t kAppend = std::string::npos;

// Each row damages the journal of EveryKind() in one place; the reading must stop at `record`.
const Damage kDamages[] = {
    {"a flipped payload byte", 3, 12, "\x01"},
    {"a flipped checksum byte", 2, 5, "\x80"},
    {"a length past the end", 4, 0, std::string("\xFF\xFF\x00\x00", 4)},
    {"a length beyond any record", 1, 0, std::string("\x00\x00\x00\x01", 4)},
    {"garbage after the last record", 12, kAppend, "garbage"},
    {"a zero-length record after the last", 12, kAppend, std::string(8, '\0')},
};

// Rewrites the checksum after `mutate` changed a payload, so that only the change is judged.
std::string Resealed(JournalStep step, void (*mutate)(std::string& payload)) {
    std::string record = transaction::EncodeJournalRecord(step);
    std::string payload = record.substr(8);
    mutate(payload);
    std::string sealed;
    for (const std::uint32_t value : {std::uint32_t(payload.size()), transaction::Crc32(payload)})
        for (int i = 0; i < 4; ++i) sealed += char((value >> (8 * i)) & 0xFF);
    return sealed + payload;
}

TEST(JournalReader, ADamagedRecordEndsTheReadingAsATornTail) {
    const std::vector<JournalStep> steps = EveryKind();
    std::vector<std::size_t> starts;
    std::string good;
    for (const JournalStep& step : steps) {
        starts.push_back(good.size());
        good += transaction::EncodeJournalRecord(step);
    }
    for (const Damage& damage : kDamages) {
        std::string bytes = good;
        if (damage.at == kAppend) bytes += damage.bytes;
        else
            for (std::size_t i = 0; i < damage.bytes.size(); ++i)
                bytes[starts[damage.record] + damage.at + i] ^= damage.bytes[i];
        const transaction::JournalReading reading = transaction::ReadJournal(bytes);
        EXPECT_EQ(reading.Steps.size(), damage.record) << damage.what;
        EXPECT_TRUE(reading.Torn) << damage.what;
    }
}

// Sound records that are not steps of this format, or out of their place: each one read stops
// the reading before it.
TEST(JournalReader, RecordsOfNoKnownStepOrOutOfOrderAreNotRead) {
    const JournalStep begin = EveryKind().front();
    const JournalStep folder = EveryKind()[1];
    struct Row {
        const char* what;
        std::string journal;
        std::size_t read;
    } rows[] = {
        {"a kind of 0", Encode({begin}) + Resealed(folder, [](std::string& p) { p[0] = 0; }), 1},
        {"a kind past the last", Encode({begin}) + Resealed(folder, [](std::string& p) { p[0] = 12; }), 1},
        {"had-previous neither 0 nor 1", Encode({begin}) + Resealed(folder, [](std::string& p) { p[1] = 2; }), 1},
        {"a field longer than the payload", Encode({begin}) + Resealed(folder, [](std::string& p) { p[6] = 100; }), 1},
        {"bytes after the last field", Encode({begin}) + Resealed(folder, [](std::string& p) { p += "x"; }), 1},
        {"no Begin first", Encode({folder, begin}), 0},
        {"a second Begin", Encode({begin, folder, begin}), 2},
        {"a step after the commit", Encode({begin, Make(StepKind::Committed, ""), folder}), 2},
        {"a registry root of another hive",
         Encode({begin}) + Resealed(Make(StepKind::KeyCreated, "Software\\Q", "HKLM"),
                                    [](std::string& p) { p[26] = 'C'; }),  // "HKCM"
         1},
    };
    for (const Row& row : rows) {
        const transaction::JournalReading reading = transaction::ReadJournal(row.journal);
        EXPECT_EQ(reading.Steps.size(), row.read) << row.what;
        EXPECT_TRUE(reading.Torn) << row.what;
    }
}

TEST(JournalWriter, RefusesStepsTheReaderWouldNotRead) {
    const JournalStep refused[] = {
        Make(StepKind::Begin, "C:\\Q\\", ""),
        Make(StepKind::FileCreated, ""),
        Make(StepKind::FileReplaced, "C:\\Q\\quorvane.exe", ""),
        Make(StepKind::KeyCreated, "Software\\Quorvane", "HKCR"),
        Make(StepKind::SettingWritten, "C:\\Windows\\Quorvane_b.ini", "Settings", ""),
        Previous(Make(StepKind::ValueSet, "Software\\Q", "HKLM", "big"), 3,
                 std::string(transaction::kMaxJournalRecordBytes, 'x')),
    };
    for (const JournalStep& step : refused)
        EXPECT_THROW(transaction::EncodeJournalRecord(step), std::invalid_argument) << transaction::DescribeStep(step);
}

}  // namespace

#pragma once
// The journal on disk: one file, held open with no sharing by the run whose transaction it
// records, every record flushed to the disk before the step it describes runs.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/transaction/JournalFormat.h"
#include "ui/OwnedHandle.h"

namespace transaction {

// "<the installer's data folder>install.journal" (install::ProtectedDataFolder). Throws
// InstallError when that folder cannot be had.
std::string JournalPath();

class JournalWriter {
public:
    // Creates the journal, which must not exist. Throws InstallError.
    explicit JournalWriter(const std::string& path);
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter();

    // Writes the records in one write and flushes them to the disk with one flush: a batch costs
    // the disk what one record does. Throws InstallError.
    void Append(const std::vector<JournalStep>& steps);
    // Deletes the journal; false when it stays.
    bool Remove() noexcept;

private:
    std::string path_;
    ui::OwnedHandle file_;
};

// The journal of an interrupted transaction, opened with no sharing, so that no other run acts
// on it meanwhile.
class JournalLeftover {
public:
    enum class State { None, Busy, Opened, Unreadable };
    explicit JournalLeftover(const std::string& path);
    State Found() const { return state_; }
    const std::string& Bytes() const { return bytes_; }
    const std::string& Error() const { return error_; }
    // Deletes it; false when it stays.
    bool Remove() noexcept;

private:
    State state_ = State::None;
    std::string bytes_;
    std::string error_;
    ui::OwnedHandle file_;
};

}  // namespace transaction

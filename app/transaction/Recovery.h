#pragma once
// The start of every run of the installer, and of the product's uninstaller, before anything
// else changes the machine: a transaction that a crash or a kill interrupted is finished first,
// from its journal. Before its commit mark, every step it records is undone in reverse (as
// Transaction::Rollback does); after it, only the backups and the journal are left to remove.
// Free of the wizard and the download.
#include <string>
#include <vector>

namespace transaction {

struct RecoveryResult {
    enum class Outcome {
        NothingToDo,  // no journal
        RolledBack,   // the interrupted transaction was undone (Failures: the steps that could not be)
        Completed,    // it had committed: its backups and journal are gone now
        Busy,         // another run holds the journal: its transaction is under way
        Unreadable,   // the journal cannot be read; it stays (Failures: why)
    };
    Outcome Result = Outcome::NothingToDo;
    std::vector<std::string> Failures;
};

// Finishes the transaction the journal at `journalPath` describes; each step is logged.
RecoveryResult RecoverInterrupted(const std::string& journalPath) noexcept;
// The same with the journal's own place (JournalPath()); a place that cannot be had is logged
// and there is nothing to recover.
RecoveryResult RecoverInterrupted() noexcept;

}  // namespace transaction

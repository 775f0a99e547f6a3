#include "app/transaction/Recovery.h"

#include "app/log/InstallLog.h"
#include "app/transaction/JournalFile.h"
#include "app/transaction/JournalFormat.h"
#include "app/transaction/StepUndo.h"

#include <exception>

namespace transaction {

RecoveryResult RecoverInterrupted(const std::string& journalPath) noexcept {
    RecoveryResult result;
    try {
        JournalLeftover journal(journalPath);
        switch (journal.Found()) {
        case JournalLeftover::State::None: return result;
        case JournalLeftover::State::Busy:
            LogLine("The journal " + journalPath + " is held by another run, whose installation is under way");
            result.Result = RecoveryResult::Outcome::Busy;
            return result;
        case JournalLeftover::State::Unreadable:
            LogLine("The journal " + journalPath +
                    " of an interrupted installation cannot be read: " + journal.Error());
            result.Result = RecoveryResult::Outcome::Unreadable;
            result.Failures.push_back(journal.Error());
            return result;
        case JournalLeftover::State::Opened: break;
        }
        const JournalReading reading = ReadJournal(journal.Bytes());
        LogLine("An interrupted installation's journal " + journalPath + " holds " +
                std::to_string(reading.Steps.size()) + " records" +
                (reading.Torn ? " and a torn tail, which is ignored" : ""));
        if (reading.Committed()) {
            LogLine("It had committed: removing its backups");
            RemoveStaging(reading.Steps);
            result.Result = RecoveryResult::Outcome::Completed;
        } else {
            LogLine("Rolling back the interrupted installation");
            result.Failures = UndoSteps(reading.Steps);
            result.Result = RecoveryResult::Outcome::RolledBack;
        }
        if (!journal.Remove()) result.Failures.push_back("the journal " + journalPath + " could not be removed");
        const std::string done = reading.Committed() ? "finished" : "rolled back";
        LogLine(result.Failures.empty() ? "The interrupted installation was " + done
                                        : "The interrupted installation was " + done + " but for " +
                                              std::to_string(result.Failures.size()) + " steps");
    } catch (const std::exception& error) {
        LogLine(std::string("The interrupted installation could not be finished: ") + error.what());
        result.Failures.push_back(error.what());
    } catch (...) {
        result.Failures.emplace_back("unknown error");
    }
    return result;
}

RecoveryResult RecoverInterrupted() noexcept {
    std::string path;
    try {
        path = JournalPath();
    } catch (const std::exception& error) {
        LogLine(std::string("No journal of an interrupted installation can be looked for: ") + error.what());
        return {};
    }
    return RecoverInterrupted(path);
}

}  // namespace transaction

#pragma once
// Undoing what the journal says was done: by a run whose step failed, and by the next run after
// a crash, when a step's record may have reached the disk while the step itself never ran. So
// each undo first looks at what is there, and a step that never happened undoes to nothing.
#include <string>
#include <vector>

#include "app/transaction/JournalFormat.h"

namespace transaction {

// Undoes one step. Throws InstallError with the reason when it cannot.
void UndoStep(const JournalStep& step);

// Undoes the journal's steps in reverse order, each whatever became of the others, and logs each.
// Returns, for each step that could not be undone, its description and the reason. Then removes
// the staging folder that the Begin step names, unless a backup could not be restored (it stays
// there, and the text says so).
std::vector<std::string> UndoSteps(const std::vector<JournalStep>& steps) noexcept;

// Removes the staging folder with the backups after a commit; logs what stays.
void RemoveStaging(const std::vector<JournalStep>& steps) noexcept;

}  // namespace transaction

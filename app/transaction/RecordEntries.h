#pragma once
// What the install record lists once a transaction commits: everything the product owns, so that
// the uninstaller removes the whole product and nothing the machine had before it. That is what
// the earlier installation's record listed (a reinstall), then what this run's journal shows it
// created; a file, shortcut, value or setting it only replaced was there before this run, and is
// the product's only if the earlier record says so. Portable, like the journal's format.
#include <optional>
#include <string>
#include <vector>

#include "app/record/InstallRecord.h"
#include "app/transaction/JournalFormat.h"

namespace transaction {

// `steps`: the journal's, in order; `earlier`: the record found in the installation directory,
// when one was there and readable; `recordPath`: where this record goes, which it lists too.
record::TInstallRecord RecordAfter(const std::vector<JournalStep>& steps,
                                   const std::optional<record::TInstallRecord>& earlier, const std::string& version,
                                   const std::string& recordPath);

}  // namespace transaction

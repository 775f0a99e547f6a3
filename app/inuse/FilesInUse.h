#pragma once
// app/inuse owns the check for files in use: before an installation replaces its files, or the
// uninstaller removes them, it finds those a running program holds, names the programs where the
// system knows them, and waits for the user's Retry or Cancel, or ends a silent run, with
// nothing changed. The installer and the product's uninstaller share it.
#include <functional>
#include <string>
#include <vector>

#include "app/inuse/InUseErrors.h"
#include "app/inuse/InUseReport.h"

namespace inuse {

// Those of `paths` (UTF-8, full) that another program holds, with the programs that hold them. A
// path that does not exist, or names a folder, is not in use.
TFilesInUse FindFilesInUse(const std::vector<std::string>& paths);

// The front end's answer while files are in use: true to check again (Retry), false to stop.
using AskRetry = std::function<bool(const TFilesInUse& found)>;

// Returns once none of `paths` is in use, logging what was each time some were. Throws
// InUseCancelled when `ask` answers Cancel, and FilesInUseError at once when there is no `ask`
// (a silent run, which never waits). Changes nothing either way.
void WaitUntilNotInUse(const std::vector<std::string>& paths, const AskRetry& ask);

}  // namespace inuse

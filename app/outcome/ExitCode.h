#pragma once
// The process's exit codes, which deployment tools read; documented in the README. The
// installer's own failures are told apart by what went wrong, not by where.
namespace outcome {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitBadCommandLine = 1,
    kExitDownloadFailed = 2,   // server, network, HTTP status, cut body
    kExitDamagedDownload = 3,  // arrived whole but not the expected file
    kExitFinishFailed = 4,     // directory, copy, registry, shortcut, settings
    kExitFilesInUse = 5,       // files to be replaced are in use (silent run): nothing changed
    kExitCancelled = 1602,     // the Windows Installer's "user cancelled", which deployment tools know
};

}  // namespace outcome

#pragma once
// What was found in use, and how the log and the box tell it. Portable: no windows.h.
#include <string>
#include <vector>

#include "i18n/traducteur.h"

namespace inuse {

// A program holding one of the files, as the system's Restart Manager names it.
struct TProgram {
    std::string Name;  // UTF-8
    unsigned long ProcessId = 0;
};

struct TFilesInUse {
    std::vector<std::string> Files;  // UTF-8 full paths
    // Where known: Wine's Restart Manager, and Windows' for some holders, name none.
    std::vector<TProgram> Programs;
    bool Empty() const { return Files.empty(); }
};

// One line in English for the log and a silent run's error:
// "Files in use: C:\...\quorvane.exe, C:\...\uninstall.exe; by Quorvane (process 1234)".
std::string DescribeForLog(const TFilesInUse& found);

// The box's text in the current language (UTF-8): `lead` (what cannot be done), the files one a
// line, the programs by name where known, then what Retry and Cancel do.
std::string BoxText(const TFilesInUse& found, TextId lead);

}  // namespace inuse

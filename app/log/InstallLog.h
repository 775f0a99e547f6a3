#pragma once
// app/log owns the installation log: where it is opened, safely (LogFileOpen.h), and what is
// written to it (here). The installation log: one timestamped line per step, in UTF-8, written through as each line
// comes so that a run that dies still leaves what it did. Every part of the installer writes to
// it with LogLine; a log that was never opened, or that cannot be written, drops the lines and
// never stops the installation.
#include <string>
#include <string_view>

#include "app/log/LogFileOpen.h"

// One line of the log; `line` is UTF-8, like every message (a table's text goes through
// TranslatedUtf8 first).
void LogLine(std::string_view line);

namespace installlog {

// %TEMP%\<program>-<yyyymmdd>-<hhmmss>, local time: the default log's name without ".log".
std::wstring DefaultName(std::wstring_view program = L"Quorvane-Install");
// The log the caller named: creates (or empties) the file and sends the following lines there.
// A name that is a link (symbolic link or junction) is refused and nothing is written through it.
// Otherwise, when it cannot: the lines are dropped.
LogOpen Open(const std::wstring& path);
// A new log, never an existing file or a link: `name` + ".log", or when that is taken
// `name` + "-2.log", "-3.log", ... False when none can be made: the lines are dropped.
bool OpenNew(const std::wstring& name);
void Close();
// The file the lines go to; empty when none.
const std::wstring& CurrentPath();

}  // namespace installlog

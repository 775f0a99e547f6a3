#pragma once
// The installation log: one timestamped line per step, in UTF-8, written through as each line
// comes so that a run that dies still leaves what it did. Every part of the installer writes to
// it with LogLine; a log that was never opened, or that cannot be written, drops the lines and
// never stops the installation.
#include <string>
#include <string_view>

// One line of the log; `line` is UTF-8, like every message (a table's text goes through
// TranslatedUtf8 first).
void LogLine(std::string_view line);

namespace installlog {

// %TEMP%\Quorvane-Install-<yyyymmdd>-<hhmmss>.log, local time.
std::wstring DefaultPath();
// Creates (or empties) the file and sends the following lines there. False when it cannot: the
// lines are then dropped.
bool Open(const std::wstring& path);
void Close();

}  // namespace installlog

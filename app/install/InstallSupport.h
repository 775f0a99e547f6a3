#pragma once
// Small helpers shared by the installation steps: the error type they raise, the system's reason
// for a failure, paths in command lines.
#include <windows.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace install {

// Raised by the installation steps; the form's handler lets it reach the standard error box.
// Its text is UTF-8, so that the paths it names keep every character.
class InstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's own text for an error code (UTF-8), without the trailing line break FormatMessage adds.
std::string SystemErrorText(DWORD code);

// A path as Windows expects it in a command line: quoted, so that "C:\Program Files\Q.exe" can
// never start C:\Program.exe.
std::string Quoted(const std::string& path);

// `path` followed by one backslash unless it already ends with one (an empty path stays empty).
std::string WithBackslash(std::string path);

}  // namespace install

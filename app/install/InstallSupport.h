#pragma once
// Small helpers shared by the installation steps: the error type they raise, the system's reason
// for a failure, texts and paths side by side.
#include <windows.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "i18n/traducteur.h"

namespace install {

// Raised by the installation steps; the form's handler lets it reach the standard error box.
class InstallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's own text for an error code, without the trailing line break FormatMessage adds.
std::string SystemErrorText(DWORD code);

// A UTF-8 path inside one of our Windows-1252 texts (an error message): what 1252 cannot show
// becomes "?", instead of the path's bytes read as other letters.
std::string PathForText(const std::string& path);

// A path as Windows expects it in a command line: quoted, so that "C:\Program Files\Q.exe" can
// never start C:\Program.exe.
std::string Quoted(const std::string& path);

// `path` followed by one backslash unless it already ends with one (an empty path stays empty).
std::string WithBackslash(std::string path);

// A text of the translation table as a piece of a path (UTF-8): a folder or link name.
std::string PathText(TextId id);

}  // namespace install

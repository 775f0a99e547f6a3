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

// 16 random hexadecimal digits for a name no other process can guess and prepare in advance
// (the exclusive creation that uses it is what makes it ours). Throws InstallError naming `what`.
std::string RandomSuffix(const std::string& what);

// `path` followed by one backslash unless it already ends with one (an empty path stays empty).
std::string WithBackslash(std::string path);

// Deletes the files of `folder` (UTF-8, ending with a backslash), then the folder. Never
// recursive: an elevated process must not follow a junction another process put there into
// folders it may not otherwise delete. A subfolder goes only when empty (or when it is such a
// link: removing one removes the link, not what it points to). Never throws; false when
// something stayed.
bool RemoveFolderAndFiles(const std::string& folder) noexcept;

}  // namespace install

#pragma once
// A new folder of the program's own under the user's temporary path: a random name, created
// exclusively, so that nothing another process prepared there (a planted file, a link) is ever
// written through; in an elevated run only SYSTEM and the administrators have any right on it,
// whatever the temporary folder grants.
#include <string>

namespace install {

// Makes "<tempPath><prefix><16 hex digits>\" and gives it (UTF-8, ending with a backslash),
// trying a few names. Throws InstallError when `tempPath` is empty, not absolute, or no folder
// can be made in it; `purpose` names the folder in that error ("the download folder").
std::string MakePrivateFolder(const std::string& tempPath, const std::string& prefix, const std::string& purpose);

}  // namespace install

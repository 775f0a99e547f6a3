#pragma once
// The shell folders the finishing steps need and the shell link files they write.
// COM must be initialised on the calling thread (the program does it at start). Paths are UTF-8
// (encoding/TextEncoding.h); the arguments are one of our Windows-1252 texts.
#include <string>

namespace install {

// The shell folder `csidl` (a CSIDL_ value), as the shell gives it, no final backslash; empty when
// the shell cannot supply it.
std::string SpecialFolderPath(int csidl);
// The start menu's Programs folder (CSIDL_PROGRAMS), ending with a backslash; empty when the
// shell cannot supply it (its shortcuts are then skipped).
std::string ReadProgramsPath();
// The user's desktop folder (CSIDL_DESKTOPDIRECTORY) as the shell gives it; empty when the shell
// cannot supply it.
std::string ReadDesktopPath();

// Writes folder + "\" + linkName, a shell link to `target` with `arguments` and `workingDir`.
// Throws InstallError when the shell link object or its interfaces cannot be had; a link that
// cannot be saved (its folder missing, say) is silently not created. An empty folder (a shell
// folder that could not be read) writes nothing.
void CreateShortcut(const std::string& target, const std::string& arguments, const std::string& workingDir,
                    const std::string& linkName, const std::string& folder);

}  // namespace install

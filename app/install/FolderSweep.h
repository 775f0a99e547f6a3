#pragma once
// Removing what a folder of the installer's own holds, one entry at a time, without ever acting
// through a link: the per-run download folder at its end, the download cache when it is cleaned.
// An elevated process that deleted through a link planted there would delete, with its rights,
// whatever the link points to.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace install {

// A plain file of the folder, as the sweep found it (through its own handle).
struct SweptFile {
    std::wstring Name;
    std::uint64_t Size = 0;
    FILETIME LastWrite{};
};

// Goes once through `folder` (UTF-16, ending with a backslash), never into a subfolder. Each entry
// is opened by its own name, never following a link where the system allows it:
// - a link (symbolic link, junction) is removed itself, through a handle of the link;
// - a link the system follows anyway (Wine follows Unix links whatever the flags) cannot be removed
//   without reaching what it points to: it is left as it is, and the sweep returns false;
// - a subfolder is removed when empty, left otherwise;
// - a file with other names (a hard link) is removed, since writing to it would write to them;
// - any other file is removed when `remove` says so.
// An entry another process holds is left. Removals go through the entry's own handle.
bool SweepFolder(const std::wstring& folder, const std::function<bool(const SweptFile&)>& remove);

}  // namespace install

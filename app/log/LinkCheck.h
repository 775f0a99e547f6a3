#pragma once
// Whether an open file or folder was reached through a link (a symbolic link, a junction) in the
// last component of the name it was opened by. An elevated process must not write, delete or trust
// through such a link where its user's own processes can plant one: the log's default folder, the
// download cache.
#include <windows.h>

#include <string>

namespace installlog {

// `file` was opened by `path` with FILE_FLAG_OPEN_REPARSE_POINT (and FILE_FLAG_BACKUP_SEMANTICS for
// a folder). True when it is a reparse point itself, or when the system followed a link anyway:
// Windows opens a link itself under that flag, but Wine follows a Unix symbolic link whatever the
// flag, so the open object's own name is compared with the name it was asked by.
bool IsLink(HANDLE file, const std::wstring& path);

}  // namespace installlog

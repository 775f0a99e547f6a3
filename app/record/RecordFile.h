#pragma once
// Reading an install record from disk, for the installer (the record an earlier installation left)
// and the product's uninstaller alike.
#include <windows.h>

#include "app/record/InstallRecord.h"

namespace record {

// Reads the open record file from its start and parses it. Reads only what the file holds, up to
// one byte past the largest record accepted, so that a larger file is refused without being read.
TRecordResult ReadInstallRecordFile(HANDLE file);

}  // namespace record

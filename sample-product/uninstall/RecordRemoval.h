#pragma once
// Removing what an install record lists, in the reverse of the order it was made, and nothing
// else: each entry is first checked to be the product's (record::WhyNotTheProducts), and a path
// is never followed through a link that stands between its folder and itself.
#include <string>
#include <vector>

#include "app/record/InstallRecord.h"
#include "app/record/RemovalScope.h"

namespace uninstall {

// Whether two full paths (UTF-8) name the same file, as Windows compares names.
bool SamePath(const std::string& a, const std::string& b);

// The record in the file `path`, read whole (at most its format's size) and never through a link.
record::TRecordResult ReadRecord(const std::string& path);

// The product's places on this machine for a record lying in `installFolder` (UTF-8, full).
record::TProductPlaces ProductPlaces(const std::string& installFolder);

// The record's files that are the product's, for the check of files in use; `except` left out.
std::vector<std::string> OwnedFiles(const record::TInstallRecord& record, const record::TProductPlaces& places,
                                    const std::vector<std::string>& except);

struct TRemoval {
    std::vector<std::string> Failed;   // what could not be removed, each with the system's reason
    std::vector<std::string> Refused;  // entries that are not the product's: an edited record
};

// Removes every entry that is the product's, in reverse order, and goes on past a failure.
// Folders and registry keys go at the end, each only when empty. `later`: files this program cannot remove while it
// runs (itself, the record): they stay, and so do the folders that hold them.
TRemoval RemoveRecorded(const record::TInstallRecord& record, const record::TProductPlaces& places,
                        const std::vector<std::string>& later);

// Whether `folder` holds anything but `expected` (full paths): what the user added to it.
bool HoldsOtherFiles(const std::string& folder, const std::vector<std::string>& expected);

}  // namespace uninstall

#pragma once
// The folders the installer makes for itself and finds again on a later run (the download cache,
// the journal's folder under %ProgramData%\Quorvane), and the per-run download folder: made with
// the rights an elevated run must give them (SYSTEM and the administrators alone, nothing inherited
// from a parent a standard user controls), and trusted again only when they still are exactly what
// this process would make. A folder a standard user made first, a link to elsewhere, one whose
// owner or rights were changed, is refused: the caller then does without it.
#include <stdexcept>
#include <string>

#include "app/install/ProtectedDataFolder.h"  // RunsElevated
#include "ui/OwnedHandle.h"

namespace install {

enum class FolderRights {
    Inherited,   // what the parent folder passes on (the user's own places)
    AdminsOnly,  // a protected DACL: full control for SYSTEM and the administrators, nothing else
};

// AdminsOnly in an elevated run, Inherited otherwise.
FolderRights RightsForThisRun();

// `prefix` followed by 16 random hexadecimal digits: a name no other process can guess and
// prepare in advance. Throws InstallError when the system gives no random numbers.
std::string UnguessableName(const std::string& prefix);

// Creates the folder `path` (UTF-16, no final backslash) with those rights. False when the name
// exists already (a folder, a file, a link: GetLastError() says ERROR_ALREADY_EXISTS); throws
// InstallError for any other failure.
bool MakeFolder(const std::wstring& path, FolderRights rights);

// An existing folder that is not what this process would make; what() says why (UTF-8).
class UntrustedFolder : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A folder of the installer's own, held open for as long as the object lives: on Windows no
// other process can rename or delete it meanwhile (it is opened without FILE_SHARE_DELETE), so
// what was checked stays what is used.
class ProtectedFolder {
public:
    // Makes `path` (UTF-8, with or without a final backslash) with `rights`, or, when it exists,
    // opens it if it is a folder and no link. With AdminsOnly its owner and rights must also be
    // those a folder made now gets: the platform's own reading of both is compared, so that
    // whatever the system records of what we asked for counts, and nothing else. Throws
    // UntrustedFolder when it is not, InstallError when it can be neither made nor opened.
    ProtectedFolder(const std::string& path, FolderRights rights);
    ProtectedFolder(const ProtectedFolder&) = delete;
    ProtectedFolder& operator=(const ProtectedFolder&) = delete;

    // UTF-8, ending with a backslash.
    const std::string& Path() const { return path_; }
    // Whether this object made the folder (it did not exist).
    bool Made() const { return made_; }

private:
    std::string path_;
    ui::OwnedHandle folder_;
    bool made_ = false;
};

}  // namespace install

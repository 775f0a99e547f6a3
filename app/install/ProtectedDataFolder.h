#pragma once
// The installer's own data folder across runs (the transaction's journal, the download cache):
// "%ProgramData%\Quorvane\" when the process runs elevated, where only SYSTEM and the
// administrators may write, so that an elevated run never acts on what a standard user wrote;
// the user's own "%LOCALAPPDATA%\Quorvane\" otherwise, since an unelevated run can change only
// what that user may change anyway.
#include <windows.h>

#include <memory>
#include <string>

namespace install {

// Whether this process runs with an administrator's full token.
bool RunsElevated();

struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
// Full control for SYSTEM and the administrators, inherited by what is made inside, and nothing
// inherited from the parent (a protected DACL); owned by the administrators when asked (an
// elevated token may give its objects that owner), else by the token's default owner.
std::unique_ptr<void, LocalFreer> AdministratorsOnlySecurity(bool ownedByAdministrators = false);

struct DataFolder {
    std::string Path;  // UTF-8, ending with a backslash
    bool AdministratorsOnly = false;
};

// Makes the folder when it is missing (elevated: with AdministratorsOnlySecurity()). Throws
// InstallError when the system names no such place, the folder cannot be made, or, elevated, the
// one found is not a plain folder owned by SYSTEM or the administrators: a standard user may
// create folders in %ProgramData%, and one made there in advance is never trusted.
DataFolder ProtectedDataFolder();

}  // namespace install

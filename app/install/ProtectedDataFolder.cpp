#include "app/install/ProtectedDataFolder.h"

#include "app/install/InstallSupport.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"

#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

namespace install {
namespace {

constexpr wchar_t kAdministratorsOnlySddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The same, owned by the administrators: what the next run checks before it trusts the folder.
constexpr wchar_t kAdministratorsOwnedSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    std::wstring result = SUCCEEDED(hr) && path ? path : L"";
    CoTaskMemFree(path);
    return result;
}

// Wine keeps no owner for files: every file reads as owned by its one user, whose token holds the
// administrators' group. Under Wine, and there only, that user stands for the administrators.
bool WineOwnUser(PSID owner) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return false;
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const ui::OwnedHandle token(opened);
    alignas(TOKEN_USER) unsigned char buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return false;
    return EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

// Empty when SYSTEM or the administrators own the folder; otherwise who does, as a SID.
std::string UntrustedOwner(HANDLE folder) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return "an owner that cannot be read";
    std::string who;
    wchar_t* text = nullptr;
    if (!owner) who = "no owner";
    else if (!IsWellKnownSid(owner, WinLocalSystemSid) && !IsWellKnownSid(owner, WinBuiltinAdministratorsSid) &&
             !WineOwnUser(owner))
        who = ConvertSidToStringSidW(owner, &text) ? encoding::NarrowPath(text) : "an unknown owner";
    LocalFree(text);
    LocalFree(descriptor);
    return who;
}

// A folder that was there already: never through a link, and, elevated, only one that a
// standard user could not have made.
void CheckExisting(const std::wstring& path, bool elevated) {
    const ui::OwnedHandle folder(CreateFileW(
        path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const std::string shown = encoding::NarrowPath(path);
    if (!folder.Valid()) throw InstallError("Cannot open " + shown + ": " + SystemErrorText(GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.Get(), &info))
        throw InstallError("Cannot read " + shown + ": " + SystemErrorText(GetLastError()));
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        throw InstallError(shown + " is not a plain folder: it is not used");
    if (const std::string owner = elevated ? UntrustedOwner(folder.Get()) : ""; !owner.empty())
        throw InstallError(shown + " is owned by " + owner + ", not by SYSTEM or the administrators: it is not used");
}

}  // namespace

bool RunsElevated() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const ui::OwnedHandle token(opened);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

std::unique_ptr<void, LocalFreer> AdministratorsOnlySecurity(bool ownedByAdministrators) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            ownedByAdministrators ? kAdministratorsOwnedSddl : kAdministratorsOnlySddl, SDDL_REVISION_1, &descriptor,
            nullptr))
        throw InstallError("Cannot make a protected folder's rights: " + SystemErrorText(GetLastError()));
    return std::unique_ptr<void, LocalFreer>(descriptor);
}

DataFolder ProtectedDataFolder() {
    const bool elevated = RunsElevated();
    // Not %ProgramData% from the environment: an elevated process inherits the user's.
    const std::wstring base = KnownFolder(elevated ? FOLDERID_ProgramData : FOLDERID_LocalAppData);
    if (base.empty()) throw InstallError("The system names no folder for the installer's data");
    const std::wstring path = base + L"\\Quorvane";
    const auto security = elevated ? AdministratorsOnlySecurity(true) : nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    if (!CreateDirectoryW(path.c_str(), &attributes)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw InstallError("Cannot make " + encoding::NarrowPath(path) + ": " + SystemErrorText(error));
        CheckExisting(path, elevated);
    }
    return {encoding::NarrowPath(path) + "\\", elevated};
}

}  // namespace install

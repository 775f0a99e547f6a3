#include "app/install/PrivateFolder.h"

#include "app/install/InstallSupport.h"
#include "ui/OwnedHandle.h"
#include "ui/Text.h"

#include <bcrypt.h>
#include <sddl.h>

#include <cstdio>
#include <memory>

namespace install {
namespace {

constexpr int kNameAttempts = 8;

// Random, so that no other process can guess the name and prepare the folder in advance; the
// exclusive creation below is what guarantees it is ours.
std::string RandomSuffix(const std::string& purpose) {
    unsigned char bytes[8] = {};
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw InstallError("Cannot name " + purpose + ": no random numbers");
    char text[2 * sizeof bytes + 1] = {};
    for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

// "C:\..." or "\\server\share\...": a relative path would put the folder in the current
// directory, a bare "\..." on the root of the current drive.
bool IsAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

// Whether this process runs with an administrator's full token: what it writes under the user's
// temporary folder must then be out of reach of the user's own, unelevated, processes.
bool RunsElevated() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const ui::OwnedHandle token(opened);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// Full control for SYSTEM and the administrators, inherited by the files made in the folder,
// and nothing inherited from the temporary folder (P: protected), which the user controls.
constexpr wchar_t kElevatedFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// The security descriptor an elevated run gives its folder; null (the inherited rights) otherwise.
std::unique_ptr<void, LocalFreer> FolderSecurity(const std::string& purpose) {
    if (!RunsElevated()) return nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kElevatedFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        throw InstallError("Cannot protect " + purpose + ": " + SystemErrorText(GetLastError()));
    return std::unique_ptr<void, LocalFreer>(descriptor);
}

}  // namespace

std::string MakePrivateFolder(const std::string& tempPath, const std::string& prefix, const std::string& purpose) {
    if (tempPath.empty()) throw InstallError("The system gives no temporary folder for " + purpose);
    const std::wstring temp = ui::WidenPath(WithBackslash(tempPath));
    if (!IsAbsolute(temp))
        throw InstallError("The temporary folder \"" + tempPath + "\" cannot be used: it is not a full path");
    const auto security = FolderSecurity(purpose);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = prefix + RandomSuffix(purpose) + "\\";
        if (CreateDirectoryW((temp + ui::WidenPath(name)).c_str(), &attributes)) return ui::NarrowPath(temp) + name;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw InstallError("Cannot make a folder in the temporary folder " + tempPath + ": " +
                               SystemErrorText(error));
    }
    throw InstallError("Cannot make a new folder in the temporary folder " + tempPath);
}

}  // namespace install

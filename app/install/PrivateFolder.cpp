#include "app/install/PrivateFolder.h"

#include "app/install/InstallSupport.h"
#include "app/install/ProtectedDataFolder.h"
#include "encoding/TextEncoding.h"

namespace install {
namespace {

constexpr int kNameAttempts = 8;

// "C:\..." or "\\server\share\...": a relative path would put the folder in the current
// directory, a bare "\..." on the root of the current drive.
bool IsAbsolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return true;
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

}  // namespace

std::string MakePrivateFolder(const std::string& tempPath, const std::string& prefix, const std::string& purpose) {
    if (tempPath.empty()) throw InstallError("The system gives no temporary folder for " + purpose);
    const std::wstring temp = encoding::WidenPath(WithBackslash(tempPath));
    if (!IsAbsolute(temp))
        throw InstallError("The temporary folder \"" + tempPath + "\" cannot be used: it is not a full path");
    // Elevated, what it holds must be out of reach of the user's own, unelevated, processes.
    const auto security = RunsElevated() ? AdministratorsOnlySecurity() : nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = prefix + RandomSuffix(purpose) + "\\";
        if (CreateDirectoryW((temp + encoding::WidenPath(name)).c_str(), &attributes))
            return encoding::NarrowPath(temp) + name;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw InstallError("Cannot make a folder in the temporary folder " + tempPath + ": " +
                               SystemErrorText(error));
    }
    throw InstallError("Cannot make a new folder in the temporary folder " + tempPath);
}

}  // namespace install

#include "app/install/ProtectedFolder.h"

#include "app/install/InstallSupport.h"
#include "app/install/ProtectedDataFolder.h"
#include "app/log/LinkCheck.h"
#include "encoding/TextEncoding.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace install {
namespace {

using LocalMemory = std::unique_ptr<void, LocalFreer>;

LocalMemory Security(FolderRights rights) {
    return rights == FolderRights::Inherited ? nullptr : AdministratorsOnlySecurity();
}

// For reading its owner and rights; no FILE_SHARE_DELETE, so that it cannot be renamed away while
// held. A link in its own name is opened itself where the system allows it.
HANDLE OpenFolder(const std::wstring& path) {
    return CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The folder's owner and DACL as the system reads them back, in SDDL; empty when unreadable.
std::wstring OwnerAndRights(HANDLE folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    const LocalMemory owned(descriptor);
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
        return {};
    const LocalMemory ownedText(text);
    return text;
}

// What a folder made now with AdminsOnly reads back as: the system may record less than was asked
// (Wine keeps rights as Unix permissions), so the reference is a folder made beside `path`, read,
// and removed.
std::wstring FreshOwnerAndRights(const std::wstring& path) {
    const std::wstring parent = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring probe = parent + encoding::WidenPath(UnguessableName("Quorvane-"));
    if (!MakeFolder(probe, FolderRights::AdminsOnly)) return {};
    std::wstring rights;
    {
        const ui::OwnedHandle made(OpenFolder(probe));
        if (made.Valid()) rights = OwnerAndRights(made.Get());
    }
    RemoveDirectoryW(probe.c_str());
    return rights;
}

}  // namespace

FolderRights RightsForThisRun() { return RunsElevated() ? FolderRights::AdminsOnly : FolderRights::Inherited; }

std::string UnguessableName(const std::string& prefix) { return prefix + RandomSuffix("a new folder"); }

bool MakeFolder(const std::wstring& path, FolderRights rights) {
    const LocalMemory security = Security(rights);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    if (CreateDirectoryW(path.c_str(), &attributes)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return false;
    throw InstallError("Cannot make the folder " + encoding::NarrowPath(path) + ": " + SystemErrorText(error));
}

ProtectedFolder::ProtectedFolder(const std::string& path, FolderRights rights) {
    std::wstring wide = encoding::WidenPath(path);
    while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    path_ = encoding::NarrowPath(wide) + "\\";
    made_ = MakeFolder(wide, rights);
    folder_.Reset(OpenFolder(wide));
    if (!folder_.Valid())
        throw InstallError("Cannot open the folder " + path_ + ": " + SystemErrorText(GetLastError()));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(folder_.Get(), &information) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw UntrustedFolder(path_ + " is not a folder");
    if (installlog::IsLink(folder_.Get(), wide)) throw UntrustedFolder(path_ + " is a link");
    if (made_ || rights == FolderRights::Inherited) return;
    const std::wstring found = OwnerAndRights(folder_.Get());
    if (found.empty() || found != FreshOwnerAndRights(wide))
        throw UntrustedFolder(path_ + " has another owner or other rights than the installer gives it (" +
                              (found.empty() ? std::string("unreadable") : encoding::NarrowPath(found)) + ")");
}

}  // namespace install

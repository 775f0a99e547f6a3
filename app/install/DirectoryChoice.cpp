#include "app/install/DirectoryChoice.h"

#include "app/install/InstallSupport.h"
#include "ui/Application.h"
#include "encoding/TextEncoding.h"
#include "i18n/MessageText.h"

#include <vector>

namespace install {
namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(encoding::WidenPath(path).c_str()); }

bool IsFile(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Tries every prefix that ends with a backslash, shortest first; levels that exist already, or
// cannot be made, simply fail and the walk goes on. Returns the levels it made.
std::vector<std::wstring> CreateEveryLevel(const std::string& dir) {
    std::vector<std::wstring> made;
    std::string prefix;
    prefix.reserve(dir.size());
    for (char c : dir) {
        prefix += c;
        if (c == '\\' && CreateDirectoryW(encoding::WidenPath(prefix).c_str(), nullptr))
            made.push_back(encoding::WidenPath(prefix));
    }
    return made;
}

}  // namespace

bool ConfirmExistingInstall(const std::string& txtDir, HWND owner) {
    if (!IsFile(WithBackslash(txtDir) + kProductExe)) return true;
    int answer = ui::Application::Instance().MessageBox(TranslatedUtf8(kTextOverwriteQuestion),
                                                        TranslatedUtf8(kTextOverwriteCaption),
                                                        MB_YESNO | MB_ICONEXCLAMATION, owner);
    return answer == IDYES;
}

bool TryInstallDir(const std::string& txtDir, HWND owner) {
    const std::string dir = WithBackslash(txtDir);
    if (IsDirectory(dir)) return true;
    const std::vector<std::wstring> made = CreateEveryLevel(dir);
    const bool madeWhole = IsDirectory(dir);
    for (auto level = made.rbegin(); level != made.rend(); ++level) RemoveDirectoryW(level->c_str());
    if (madeWhole) return true;
    ui::Application::Instance().MessageBox(TranslatedUtf8(kTextCannotCreateDir), TranslatedUtf8(kTextCancelledCaption),
                                           MB_OK | MB_ICONERROR, owner);
    return false;
}

bool AcceptInstallDir(const std::string& txtDir, std::string& installDir, HWND owner) {
    if (!TryInstallDir(txtDir, owner) && !TryInstallDir(txtDir, owner)) return false;
    installDir = txtDir;
    return true;
}

}  // namespace install

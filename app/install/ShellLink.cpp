#include "app/install/ShellLink.h"

#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "ui/ComOwner.h"
#include "encoding/TextEncoding.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace install {

std::string SpecialFolderPath(int csidl) {
    ui::Pidl folder;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, folder.Put())) || !folder) return {};
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(folder.Get(), path)) return {};
    return encoding::NarrowPath(path);
}

std::string ReadProgramsPath() { return WithBackslash(SpecialFolderPath(CSIDL_PROGRAMS)); }

std::string ReadDesktopPath() { return SpecialFolderPath(CSIDL_DESKTOPDIRECTORY); }

void CreateShortcut(const std::string& target, const std::string& arguments, const std::string& workingDir,
                    const std::string& linkName, const std::string& folder) {
    // Without the folder the path would fall back on the current directory or a drive root.
    if (folder.empty()) return;
    ui::ComRef<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    if (FAILED(hr)) throw InstallError("Cannot create a shell link: " + SystemErrorText(DWORD(hr)));
    ui::ComRef<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(hr)) throw InstallError("Cannot save a shell link: " + SystemErrorText(DWORD(hr)));

    // The wide interface: the system code page cannot carry every character of a path.
    link->SetArguments(encoding::Widen(arguments).c_str());
    link->SetPath(encoding::WidenPath(target).c_str());
    link->SetWorkingDirectory(encoding::WidenPath(workingDir).c_str());
    const std::string path = folder + "\\" + linkName;
    hr = file->Save(encoding::WidenPath(path).c_str(), FALSE);
    LogLine("Shortcut " + path + " -> " + target +
            (SUCCEEDED(hr) ? std::string() : " not saved: " + SystemErrorText(DWORD(hr))));
}

}  // namespace install

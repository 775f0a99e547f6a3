#include "RecordRemoval.h"

#include "app/install/FinishInstall.h"
#include "app/install/InstallSupport.h"
#include "app/log/InstallLog.h"
#include "app/record/RecordFile.h"
#include "ui/OwnedHandle.h"
#include "encoding/TextEncoding.h"

#include <windows.h>
#include <shlobj.h>

namespace uninstall {
namespace {

using record::EntryKind;
using record::TRecordEntry;

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return encoding::NarrowPath(path);
}

bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// How one entry's removal went: removed (or gone already), kept because something else is in it,
// or failed with the reason.
struct Outcome {
    bool Kept = false;
    std::string Failure;
};
const Outcome kRemoved{};
const Outcome kKept{true, ""};

Outcome Failure(const std::string& what, DWORD error) {
    return {false, "Cannot remove " + what + ": " + install::SystemErrorText(error)};
}

// A junction or symbolic link that a user put in a folder between `base` and `path` would send an
// elevated removal to a folder of the system; such a path is left alone.
bool LinkBetween(const std::string& base, const std::string& path) {
    std::size_t next = install::WithBackslash(base).size();
    while ((next = path.find('\\', next)) != std::string::npos) {
        const DWORD attributes = GetFileAttributesW(encoding::WidenPath(path.substr(0, next)).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
        ++next;
    }
    return false;
}

// The folder the entry's path is checked from: the installation folder, or the shortcut folder
// that holds it; empty for a folder above the installation, which holds nothing of the user's.
std::string BaseOf(const TRecordEntry& entry, const record::TProductPlaces& places) {
    if (record::IsInsideFolder(entry.Path, places.InstallFolder)) return places.InstallFolder;
    for (const std::string& folder : places.ShortcutFolders)
        if (!folder.empty() && record::IsInsideFolder(entry.Path, folder)) return folder;
    return {};
}

Outcome RemoveFile(const std::string& path) {
    const std::wstring wide = encoding::WidenPath(path);
    // A read-only file of the product is still the product's.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(wide.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (DeleteFileW(wide.c_str()) || Gone(GetLastError())) return kRemoved;
    return Failure(path, GetLastError());
}

// Never recursive: a folder that still holds something (a file the user added) stays.
Outcome RemoveFolder(const std::string& path) {
    if (RemoveDirectoryW(encoding::WidenPath(path).c_str())) return kRemoved;
    const DWORD error = GetLastError();
    if (Gone(error)) return kRemoved;
    return error == ERROR_DIR_NOT_EMPTY ? kKept : Failure(path, error);
}

HKEY RootKey(const std::string& root) { return root == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

Outcome RemoveValue(const TRecordEntry& entry) {
    HKEY key = nullptr;
    const std::string shown = entry.Root + "\\" + entry.Path + " " + entry.Name;
    LSTATUS status = RegOpenKeyExW(RootKey(entry.Root), encoding::WidenPath(entry.Path).c_str(), 0,
                                   KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueW(key, encoding::WidenPath(entry.Name).c_str());
        RegCloseKey(key);
    }
    return status == ERROR_SUCCESS || Gone(DWORD(status)) ? kRemoved : Failure(shown, DWORD(status));
}

// Only when empty: a value or key that someone else put there keeps it.
Outcome RemoveKey(const TRecordEntry& entry) {
    const HKEY root = RootKey(entry.Root);
    const std::wstring path = encoding::WidenPath(entry.Path);
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key);
    if (Gone(DWORD(status))) return kRemoved;
    DWORD subkeys = 0, values = 0;
    if (status == ERROR_SUCCESS) {
        status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                  nullptr, nullptr);
        RegCloseKey(key);
    }
    if (status == ERROR_SUCCESS && (subkeys || values)) return kKept;
    if (status == ERROR_SUCCESS) status = RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
    return status == ERROR_SUCCESS || Gone(DWORD(status)) ? kRemoved
                                                          : Failure(entry.Root + "\\" + entry.Path, DWORD(status));
}

// Whether the file holds nothing but blank lines.
bool IsBlankFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char bytes[4096];
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    if (!ok || read == sizeof bytes) return false;
    for (DWORD i = 0; i < read; ++i)
        if (bytes[i] != '\r' && bytes[i] != '\n' && bytes[i] != ' ' && bytes[i] != '\t') return false;
    return true;
}

// The entry, then its section when that was its last entry, then the file when nothing is left.
Outcome RemoveSetting(const TRecordEntry& entry) {
    const std::wstring file = encoding::WidenPath(entry.Path), section = encoding::WidenPath(entry.Name);
    // The profile functions would make the file only to write its absence.
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return kRemoved;
    if (!WritePrivateProfileStringW(section.c_str(), encoding::WidenPath(entry.Key).c_str(), nullptr, file.c_str()))
        return Failure("the setting " + entry.Name + "\\" + entry.Key + " of " + entry.Path, GetLastError());
    wchar_t left[4] = {};
    if (GetPrivateProfileSectionW(section.c_str(), left, 4, file.c_str()) == 0)
        WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file.c_str());
    // Pending profile writes reach the file first.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    if (IsBlankFile(file) && !DeleteFileW(file.c_str()) && !Gone(GetLastError()))
        return Failure(entry.Path, GetLastError());
    return kRemoved;
}

Outcome Remove(const TRecordEntry& entry) {
    switch (entry.Kind) {
    case EntryKind::File:
    case EntryKind::Shortcut: return RemoveFile(entry.Path);
    case EntryKind::Folder: return RemoveFolder(entry.Path);
    case EntryKind::RegistryValue: return RemoveValue(entry);
    case EntryKind::RegistryKey: return RemoveKey(entry);
    case EntryKind::Setting: return RemoveSetting(entry);
    }
    return {false, "Cannot remove an unknown kind of entry"};
}

// A file this program removes after it ends, or a folder holding one.
bool Deferred(const TRecordEntry& entry, const std::vector<std::string>& later) {
    for (const std::string& path : later) {
        if (entry.Kind == EntryKind::File && SamePath(entry.Path, path)) return true;
        if (entry.Kind == EntryKind::Folder && record::IsInsideFolder(path, entry.Path)) return true;
    }
    return false;
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) {
    return CompareStringOrdinal(encoding::WidenPath(a).c_str(), -1, encoding::WidenPath(b).c_str(), -1, TRUE) ==
           CSTR_EQUAL;
}

record::TRecordResult ReadRecord(const std::string& path) {
    const ui::OwnedHandle file(CreateFileW(encoding::WidenPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return {std::nullopt, "cannot be opened: " + install::SystemErrorText(GetLastError()), 0};
    return record::ReadInstallRecordFile(file.Get());
}

record::TProductPlaces ProductPlaces(const std::string& installFolder) {
    record::TProductPlaces places;
    places.InstallFolder = installFolder;
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
        places.ShortcutFolders.push_back(ShellFolder(csidl));
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        places.SettingsFile = install::WithBackslash(encoding::NarrowPath(windows)) + install::kSettingsFile;
    return places;
}

std::vector<std::string> OwnedFiles(const record::TInstallRecord& record, const record::TProductPlaces& places,
                                    const std::vector<std::string>& except) {
    std::vector<std::string> files;
    for (const TRecordEntry& entry : record.Entries)
        if (entry.Kind == EntryKind::File && record::WhyNotTheProducts(entry, places).empty() &&
            !Deferred(entry, except))
            files.push_back(entry.Path);
    return files;
}

TRemoval RemoveRecorded(const record::TInstallRecord& record, const record::TProductPlaces& places,
                        const std::vector<std::string>& later) {
    TRemoval removal;
    const auto remove = [&](const TRecordEntry& entry) {
        if (std::string why = record::WhyNotTheProducts(entry, places); !why.empty()) {
            LogLine("Not removed, not the product's: " + why);
            removal.Refused.push_back(std::move(why));
            return;
        }
        if (Deferred(entry, later)) return;
        const std::string base = BaseOf(entry, places);
        const Outcome outcome = !base.empty() && LinkBetween(base, entry.Path)
                                    ? Outcome{false, "Not removed, a link stands on its way: " + entry.Path}
                                    : Remove(entry);
        const std::string shown = (entry.Root.empty() ? "" : entry.Root + "\\") + entry.Path +
                                  (entry.Name.empty() ? "" : " " + entry.Name) +
                                  (entry.Key.empty() ? "" : " " + entry.Key);
        if (!outcome.Failure.empty()) {
            LogLine(outcome.Failure);
            removal.Failed.push_back(outcome.Failure);
        } else {
            LogLine((outcome.Kept ? "Kept, it holds what the installation did not make: " : "Removed ") + shown);
        }
    };
    // Folders and keys at the end, each only when empty: what they hold goes first, whatever the
    // order the record lists them in.
    const auto container = [](const TRecordEntry& entry) {
        return entry.Kind == EntryKind::Folder || entry.Kind == EntryKind::RegistryKey;
    };
    for (const bool containers : {false, true})
        for (auto entry = record.Entries.rbegin(); entry != record.Entries.rend(); ++entry)
            if (container(*entry) == containers) remove(*entry);
    return removal;
}

bool HoldsOtherFiles(const std::string& folder, const std::vector<std::string>& expected) {
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW(encoding::WidenPath(install::WithBackslash(folder) + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool other = false;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string path = install::WithBackslash(folder) + encoding::NarrowPath(name);
        bool known = false;
        for (const std::string& file : expected) known = known || SamePath(path, file);
        other = other || !known;
    } while (!other && FindNextFileW(find, &entry));
    FindClose(find);
    return other;
}

}  // namespace uninstall

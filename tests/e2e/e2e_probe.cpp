// Looks at what an installation left in the Wine prefix, from inside it:
//   e2e_probe clean DIR                  removes the product's files, links, values and settings
//   e2e_probe check fr|en DIR SOURCE yes|no [VERSION SEQUENCE]
//                                        the four files in DIR equal to SOURCE's, the four links,
//                                        the registry values (DisplayVersion and ReleaseSequence
//                                        those of the release: by default the sample's), the
//                                        settings file, the Run value present (yes) or absent (no)
//   e2e_probe nothing DIR                nothing of the product installed, linked or registered
//   e2e_probe proxy SERVER BYPASS        the user's proxy settings, in both of Windows' forms
//   e2e_probe proxy-off                  back to a direct connection
//   e2e_probe system                     prints the ANSI code page and the temporary path
//   e2e_probe cache                      prints each file of the download cache: its name, its size
//   e2e_probe snapshot DIR               prints all that an installation into DIR may change: the
//                                        files under DIR, the links of both editions, the product's
//                                        registry keys and Run value (types and bytes), the settings
//                                        file, and any journal or staging folder left; two
//                                        snapshots compare as text
//   e2e_probe uninstalled DIR            nothing, and no key of the product nor start menu folder left
// check and nothing also find no download folder left in the temporary path; check finds the
// download cache empty (emptied by the successful installation); clean empties it.
// Prints one line per mismatch; exit status 1 when there is any.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "ProductInfo.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/net/proxy/UserProxySettings.h"
#include "tests/support/TemporaryFiles.h"
#include "tests/support/WholeFile.h"
#include "ui/ComOwner.h"
#include "encoding/TextEncoding.h"

namespace {

namespace fs = std::filesystem;

// The probe speaks UTF-16 like the calls it checks; the support library takes UTF-8 paths.
std::string FileBytes(const std::wstring& path) { return testsupport::ReadWholeFile(encoding::NarrowPath(path)); }
std::wstring TempPath() { return encoding::WidenPath(testsupport::TempFolder()); }

int g_failures = 0;

void Expect(bool ok, const std::wstring& what) {
    if (ok) return;
    ++g_failures;
    std::printf("e2e_probe: %s\n", encoding::NarrowPath(what).c_str());
}

void ExpectEqual(const std::wstring& actual, const std::wstring& expected, const std::wstring& what) {
    Expect(actual == expected, what + L": \"" + actual + L"\", expected \"" + expected + L"\"");
}

void ExpectAbsent(const std::wstring& path) {
    Expect(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES, path + L" exists");
}

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring SettingsFile() {
    wchar_t windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Quorvane_b.ini";
}

std::wstring RegString(HKEY root, const std::wstring& key, const std::wstring& value) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return data;
}

DWORD RegNumber(HKEY root, const std::wstring& key, const std::wstring& value) {
    DWORD data = 0, size = sizeof data;
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return data;
}

struct Edition {
    std::wstring group, desktopLink, version, language;
};

Edition EditionOf(const std::wstring& lang) {
    if (lang == L"fr") return {L"Quorvane\\RaRozo\\", L"Quorvane De Base.Lnk", L"Version de base", L"francais"};
    return {L"Quorvane\\Basic\\", L"Quorvane Basic.Lnk", L"Basic version", L"anglais"};
}

const wchar_t kLocationKey[] = L"Software\\Quorvane\\Quorvane\\RaRozo";
const wchar_t kUninstallKey[] = L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane ";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kFiles[] = {L"quorvane.exe", L"miseajour.exe", L"quorvane.ini", L"uninstall.exe"};

// Target and working directory of a shell link; "<missing>" when it cannot be read. The target
// is the one the link resolves to, from its item list: Wine keeps the path string of a saved
// link in the ANSI code page only.
std::pair<std::wstring, std::wstring> LinkOf(const std::wstring& path) {
    ui::ComRef<IShellLinkW> link;
    ui::ComRef<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return {L"<missing>", L""};
    wchar_t target[MAX_PATH + 1] = {}, dir[MAX_PATH + 1] = {};
    ui::Pidl items;
    if (SUCCEEDED(link->GetIDList(items.Put())) && items) SHGetPathFromIDListW(items.Get(), target);
    link->GetWorkingDirectory(dir, MAX_PATH);
    return {target, dir};
}

void ExpectLink(const std::wstring& path, const std::wstring& target, const std::wstring& dir) {
    auto [actualTarget, actualDir] = LinkOf(path);
    Expect(_wcsicmp(actualTarget.c_str(), target.c_str()) == 0,
           L"link " + path + L" targets \"" + actualTarget + L"\", expected \"" + target + L"\"");
    Expect(_wcsicmp(WithBackslash(actualDir).c_str(), dir.c_str()) == 0,
           L"link " + path + L" works in \"" + actualDir + L"\", expected \"" + dir + L"\"");
}

std::wstring ProgramsGroup(const Edition& e) { return WithBackslash(ShellFolder(CSIDL_PROGRAMS)) + e.group; }
std::wstring DesktopLink(const Edition& e) { return ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\" + e.desktopLink; }

// Each run of the installer downloads into a folder "Quorvane-<16 hex digits>" of the
// temporary path and removes it at the end, whatever the outcome. (Other tests leave files
// of similar names there.)
std::vector<fs::path> DownloadFolders() {
    std::vector<fs::path> found;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(fs::path(TempPath()), ignored)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.size() == 25 && name.rfind(L"Quorvane-", 0) == 0 && entry.is_directory(ignored))
            found.push_back(entry.path());
    }
    return found;
}

void ExpectNoDownloadFolder() {
    for (const fs::path& folder : DownloadFolders()) Expect(false, L"download folder left: " + folder.wstring());
}

// The download cache of an elevated run: Wine runs every program elevated.
fs::path CacheFolder() { return fs::path(ShellFolder(CSIDL_COMMON_APPDATA)) / L"Quorvane" / L"Cache"; }

std::vector<fs::directory_entry> CachedFiles() {
    std::error_code ignored;
    std::vector<fs::directory_entry> found;
    for (const auto& entry : fs::directory_iterator(CacheFolder(), ignored)) found.push_back(entry);
    return found;
}

// The release sequence the installation recorded, "<missing>" when none.
std::wstring RecordedSequence() {
    unsigned long long recorded = 0;
    DWORD size = sizeof recorded;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quorvane", L"ReleaseSequence", RRF_RT_REG_QWORD, nullptr,
                     &recorded, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return std::to_wstring(recorded);
}

// `version` and `sequence`: the release's, as its manifest gave them.
int Check(const std::wstring& lang, const std::wstring& typed, const std::wstring& source, bool autoStart,
          const std::wstring& version, const std::wstring& sequence) {
    const Edition e = EditionOf(lang);
    const std::wstring dir = WithBackslash(typed);
    for (const wchar_t* name : kFiles) {
        const std::string expected = FileBytes(WithBackslash(source) + name);
        Expect(expected != "<missing>", L"source file " + std::wstring(name) + L" missing");
        Expect(FileBytes(dir + name) == expected, dir + name + L" differs from the served file");
    }
    const std::wstring group = ProgramsGroup(e);
    for (const wchar_t* program : {L"Quorvane", L"miseajour", L"uninstall"})
        ExpectLink(group + L"\\" + program + L".Lnk", dir + program + L".exe", dir);
    ExpectLink(DesktopLink(e), dir + L"quorvane.exe", dir);
    ExpectEqual(RegString(HKEY_LOCAL_MACHINE, kLocationKey, L"emplacement"), typed, L"emplacement");
    const std::wstring uninstall = kUninstallKey + e.version;
    size_t bytes = 0;
    for (const wchar_t* name : kFiles) bytes += FileBytes(dir + name).size();
    const std::pair<const wchar_t*, std::wstring> strings[] = {{L"DisplayName", L"Quorvane " + e.version},
                                                               {L"UninstallString", L"\"" + dir + L"Uninstall.exe\""},
                                                               {L"DisplayVersion", version},
                                                               {L"Publisher", L"" QUORVANE_PUBLISHER},
                                                               {L"DisplayIcon", dir + L"quorvane.exe"},
                                                               {L"InstallLocation", dir}};
    for (const auto& [name, expected] : strings)
        ExpectEqual(RegString(HKEY_LOCAL_MACHINE, uninstall, name), expected, name);
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"EstimatedSize", DWORD((bytes + 1023) / 1024)}, {L"NoModify", 1}, {L"NoRepair", 1}};
    for (const auto& [name, expected] : numbers)
        Expect(RegNumber(HKEY_LOCAL_MACHINE, uninstall, name) == expected, std::wstring(name) + L" differs");
    ExpectEqual(RecordedSequence(), sequence, L"ReleaseSequence");
    const std::string record = FileBytes(dir + L"install-record.txt");
    Expect(record.find("\nversion " + encoding::NarrowPath(version) + "\n") != std::string::npos,
           L"the install record does not give version " + version);
    Expect(record.find("registry-value\tHKLM\tSoftware\\Quorvane\tReleaseSequence\n") != std::string::npos,
           L"the install record does not list ReleaseSequence");
    wchar_t language[32] = {};
    GetPrivateProfileStringW(L"Settings", L"langue", L"", language, 32, L"Quorvane_b.ini");
    ExpectEqual(language, e.language, L"settings file langue");
    ExpectEqual(RegString(HKEY_CURRENT_USER, kRunKey, L"QuorvaneRaRozo"),
                autoStart ? L"\"" + dir + L"Quorvane.exe\"" : L"<missing>", L"Run value");
    ExpectNoDownloadFolder();
    for (const auto& entry : CachedFiles()) Expect(false, L"left in the download cache: " + entry.path().wstring());
    return g_failures ? 1 : 0;
}

int Nothing(const std::wstring& typed) {
    const std::wstring dir = WithBackslash(typed);
    for (const wchar_t* name : kFiles) ExpectAbsent(dir + name);
    for (const wchar_t* lang : {L"fr", L"en"}) {
        const Edition e = EditionOf(lang);
        ExpectAbsent(ProgramsGroup(e));
        ExpectAbsent(DesktopLink(e));
        ExpectEqual(RegString(HKEY_LOCAL_MACHINE, kUninstallKey + e.version, L"DisplayName"), L"<missing>",
                    L"uninstall entry");
    }
    ExpectEqual(RegString(HKEY_LOCAL_MACHINE, kLocationKey, L"emplacement"), L"<missing>", L"emplacement");
    ExpectEqual(RecordedSequence(), L"<missing>", L"ReleaseSequence");
    ExpectEqual(RegString(HKEY_CURRENT_USER, kRunKey, L"QuorvaneRaRozo"), L"<missing>", L"Run value");
    ExpectAbsent(SettingsFile());
    ExpectNoDownloadFolder();
    return g_failures ? 1 : 0;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

int Uninstalled(const std::wstring& typed) {
    for (const wchar_t* lang : {L"fr", L"en"})
        Expect(!KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + EditionOf(lang).version), L"uninstall key left");
    Expect(!KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Quorvane"), L"HKLM\\Software\\Quorvane left");
    ExpectAbsent(WithBackslash(ShellFolder(CSIDL_PROGRAMS)) + L"Quorvane");
    return Nothing(typed);
}

// A short digest of some bytes, so that a snapshot line tells contents apart.
std::string Digest(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    char text[40];
    std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(), static_cast<unsigned long long>(hash));
    return text;
}

void SnapshotTree(const fs::path& root) {
    std::error_code error;
    if (!fs::exists(root, error)) {
        std::printf("tree %s <absent>\n", encoding::NarrowPath(root.wstring()).c_str());
        return;
    }
    std::vector<std::wstring> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root, error)) {
        const std::wstring name = entry.path().wstring();
        lines.push_back(entry.is_directory(error) ? name + L"\\"
                                                  : name + L" " + encoding::Widen(Digest(FileBytes(name))));
    }
    std::sort(lines.begin(), lines.end());
    std::printf("tree %s\n", encoding::NarrowPath(root.wstring()).c_str());
    for (const std::wstring& line : lines) std::printf("  %s\n", encoding::NarrowPath(line).c_str());
}

void SnapshotKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("key %s <absent>\n", encoding::NarrowPath(path).c_str());
        return;
    }
    std::printf("key %s\n", encoding::NarrowPath(path).c_str());
    wchar_t name[512];
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = 512, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        length = 512;
        RegEnumValueW(key, i, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        std::printf("  %s type %lu %s\n", encoding::NarrowPath(name).c_str(), type, Digest(data).c_str());
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = 512;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& subkey : subkeys) SnapshotKey(root, path + L"\\" + subkey);
}

int Snapshot(const std::wstring& typed) {
    const std::wstring dir = WithBackslash(typed);
    SnapshotTree(fs::path(dir));
    SnapshotTree(fs::path(WithBackslash(ShellFolder(CSIDL_PROGRAMS)) + L"Quorvane"));
    for (const wchar_t* lang : {L"fr", L"en"}) {
        const Edition e = EditionOf(lang);
        const std::wstring link = DesktopLink(e);
        std::printf("link %s %s\n", encoding::NarrowPath(link).c_str(), Digest(FileBytes(link)).c_str());
        SnapshotKey(HKEY_LOCAL_MACHINE, kUninstallKey + e.version);
    }
    SnapshotKey(HKEY_LOCAL_MACHINE, L"Software\\Quorvane");
    std::printf("run %s\n", encoding::NarrowPath(RegString(HKEY_CURRENT_USER, kRunKey, L"QuorvaneRaRozo")).c_str());
    const DWORD settings = GetFileAttributesW(SettingsFile().c_str());
    std::printf("settings %s\n", settings == INVALID_FILE_ATTRIBUTES   ? "<absent>"
                                 : settings & FILE_ATTRIBUTE_DIRECTORY ? "<folder>"
                                                                       : Digest(FileBytes(SettingsFile())).c_str());
    std::printf("journal %s\n",
                Digest(FileBytes(ShellFolder(CSIDL_COMMON_APPDATA) + L"\\Quorvane\\install.journal")).c_str());
    // A staging folder is made beside the nearest existing folder above the directory.
    std::error_code error;
    for (fs::path up = fs::path(typed).parent_path(); !up.empty() && up != up.parent_path(); up = up.parent_path())
        for (const auto& entry : fs::directory_iterator(up, error))
            if (entry.path().filename().wstring().rfind(L"Quorvane-staging-", 0) == 0)
                std::printf("staging left: %s\n", encoding::NarrowPath(entry.path().wstring()).c_str());
    return 0;
}

int Clean(const std::wstring& typed) {
    std::error_code ignored;
    if (!typed.empty()) fs::remove_all(fs::path(typed), ignored);
    fs::remove_all(fs::path(WithBackslash(ShellFolder(CSIDL_PROGRAMS)) + L"Quorvane"), ignored);
    for (const wchar_t* lang : {L"fr", L"en"}) {
        const Edition e = EditionOf(lang);
        DeleteFileW(DesktopLink(e).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallKey + e.version).c_str());
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Quorvane");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"QuorvaneRaRozo");
    DeleteFileW(SettingsFile().c_str());
    // Where the installer left its downloads before each run had a folder of its own.
    for (const wchar_t* name : kFiles) DeleteFileW((TempPath() + name).c_str());
    // A download folder a killed run left behind must not fail the next scenario.
    for (const fs::path& folder : DownloadFolders()) fs::remove_all(folder, ignored);
    // What a scenario left to continue must not be continued by the next.
    for (const auto& entry : CachedFiles()) fs::remove(entry.path(), ignored);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    int status = 2;
    if (command == L"clean" && argc > 2) status = Clean(argv[2]);
    else if (command == L"check" && argc > 5)
        // The sample product is published as the build's version, sequence 1.
        status = Check(argv[2], argv[3], argv[4], std::wstring(argv[5]) == L"yes",
                       argc > 6 ? argv[6] : L"" QUORVANE_DISPLAY_VERSION, argc > 7 ? argv[7] : L"1");
    else if (command == L"nothing" && argc > 2) status = Nothing(argv[2]);
    else if (command == L"snapshot" && argc > 2) status = Snapshot(argv[2]);
    else if (command == L"proxy" && argc > 3)
        status = testsupport::WriteUserProxySettings({argv[2], argv[3], L""}) ? 0 : 1;
    else if (command == L"uninstalled" && argc > 2) status = Uninstalled(argv[2]);
    else if (command == L"proxy-off") status = testsupport::WriteUserProxySettings({}) ? 0 : 1;
    else if (command == L"cache") {
        std::error_code ignored;
        for (const auto& entry : CachedFiles())
            std::printf("%s %llu\n", encoding::NarrowPath(entry.path().filename().wstring()).c_str(),
                        static_cast<unsigned long long>(entry.file_size(ignored)));
        status = 0;
    } else if (command == L"system") {
        std::printf("%u %s\n", GetACP(), encoding::NarrowPath(TempPath()).c_str());
        status = 0;
    } else
        std::fprintf(stderr,
                     "usage: e2e_probe clean DIR | check fr|en DIR SOURCE yes|no [VERSION SEQUENCE] | nothing DIR | "
                     "snapshot DIR | uninstalled DIR | system | proxy SERVER BYPASS | proxy-off | cache\n");
    CoUninitialize();
    return status;
}

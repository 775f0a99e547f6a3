// The finishing steps run for real in the Wine prefix and read back through the system's own APIs.
#include "app/install/DirectoryChoice.h"
#include "app/install/InstallSupport.h"
#include "ui/ComOwner.h"
#include "ProductInfo.h"
#include "finish_fixture.h"
#include "app/install/ReleaseSequence.h"
#include "i18n/traducteur.h"

#include <shobjidl.h>

using namespace installtest;

namespace {

struct LinkData {
    std::string target, workingDir, arguments;
};

LinkData LoadLink(const std::string& path) {
    ui::ComRef<IShellLinkW> link;
    ui::ComRef<IPersistFile> file;
    LinkData data{"<unreadable>", "", ""};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
        FAILED(file->Load(encoding::WidenPath(path).c_str(), STGM_READ)))
        return data;
    // The target as the link resolves it, from its item list: Wine keeps the path string of a
    // saved link in the ANSI code page only, where these letters become "?".
    wchar_t buffer[MAX_PATH + 1] = {};
    ui::Pidl target;
    if (SUCCEEDED(link->GetIDList(target.Put())) && target) SHGetPathFromIDListW(target.Get(), buffer);
    data.target = encoding::NarrowPath(buffer);
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    data.workingDir = encoding::NarrowPath(buffer);
    buffer[0] = 0;
    link->GetArguments(buffer, MAX_PATH);
    data.arguments = encoding::NarrowPath(buffer);
    return data;
}

class FinishInstallTest : public FinishFixture {
protected:
    void ExpectInstalledIn(const std::string& dir, const std::string& group, const std::string& desktopLink) {
        for (const auto& [name, bytes] : sources) EXPECT_EQ(ReadWholeFile(dir + name), bytes) << name;
        struct Expected {
            std::string link, target;
        } links[] = {{ProgramsPath + group + "Quorvane.Lnk", dir + "quorvane.exe"},
                     {ProgramsPath + group + "miseajour.Lnk", dir + "miseajour.exe"},
                     {ProgramsPath + group + "uninstall.Lnk", dir + "uninstall.exe"},
                     {DesktopPath + "\\" + desktopLink, dir + "quorvane.exe"}};
        for (const Expected& e : links) {
            LinkData data = LoadLink(e.link);
            EXPECT_TRUE(_stricmp(data.target.c_str(), e.target.c_str()) == 0) << e.link << ": " << data.target;
            EXPECT_EQ(data.workingDir, dir) << e.link;
            EXPECT_EQ(data.arguments, "") << e.link;
        }
    }
};

// Typed without the final backslash, the default directory, and letters no ANSI code page holds
// together (Cyrillic, Polish, Greek, and one outside the Basic Multilingual Plane): made, copied
// into, linked, registered and started from as they are, under the language's names.
TEST_F(FinishInstallTest, InstallsIntoTheDirectoryUnderTheLanguagesNames) {
    const std::vector<std::string> french = {
        "Statut : Cr\xE9"
        "ation des raccourcis",
        "Statut : Enregistrement du d\xE9sinstallateur"};
    const struct {
        const char* language;
        std::string typed, installed;
        const char *group, *desktopLink;
        int key;  // of kUninstallKeys
        const char* displayName;
        std::vector<std::string> status;
    } runs[] = {
        {"francais", scratch.Path() + "Produit\\Q", scratch.Path() + "Produit\\Q\\", "Quorvane\\RaRozo\\",
         "Quorvane De Base.Lnk", 0, "Quorvane Version de base", french},
        {"anglais",
         "C:\\Program Files\\Quorvane\\Basic\\",
         "C:\\Program Files\\Quorvane\\Basic\\",
         "Quorvane\\Basic\\",
         "Quorvane Basic.Lnk",
         1,
         "Quorvane Basic version",
         {"Status : Creation of shortcuts", "Status : Registration of uninstall"}},
        {"francais", scratch.Path() + "Программы Łódź\\Ωμέγα 𝄞", scratch.Path() + "Программы Łódź\\Ωμέγα 𝄞\\",
         "Quorvane\\RaRozo\\", "Quorvane De Base.Lnk", 0, "Quorvane Version de base", french},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.typed);
        Begin(run.language, run.typed);
        std::string accepted;
        ASSERT_TRUE(install::AcceptInstallDir(run.typed, accepted));
        EXPECT_EQ(accepted, run.typed);

        install::FinishInstall(State());
        install::CloseInstall(State(), true, true);

        ASSERT_EQ(InstallDone, 1);
        EXPECT_EQ(InstallDir, run.installed);
        ExpectInstalledIn(run.installed, run.group, run.desktopLink);
        EXPECT_EQ(LocationValue(), run.typed);
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKeys[run.key], "DisplayName"), run.displayName);
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKeys[1 - run.key], "DisplayName"), "<missing>");
        EXPECT_EQ(ReadRegPath(HKEY_LOCAL_MACHINE, kUninstallKeys[run.key], "UninstallString"),
                  "\"" + run.installed + "Uninstall.exe\"");
        EXPECT_EQ(statusLines, run.status);
        EXPECT_EQ(RunValue(), "\"" + run.installed + "Quorvane.exe\"");
        ASSERT_TRUE(Launched(10000));
        EXPECT_EQ(LaunchedIn(), run.installed.substr(0, run.installed.size() - 1));
        // The downloads stay where they were.
        EXPECT_EQ(ReadWholeFile(DownloadDir + "quorvane.ini"), sources["quorvane.ini"]);
    }
}

// What "Installed apps" and deployment tools read, the version and sequence of the release, and
// the size of the files actually installed, a file of the release beyond the product's four with
// them.
TEST_F(FinishInstallTest, UninstallEntryIsComplete) {
    BeginIn("anglais", "Q");
    Download("quorvane.ini", std::string(5000, 'x'));
    Download("readme.txt", std::string(3000, 'r'));

    install::FinishInstall(State());

    ASSERT_EQ(InstallDone, 1);
    size_t bytes = 0;
    for (const auto& [name, content] : sources) bytes += content.size();
    const std::string key = kUninstallKeys[1];
    const std::string dir = scratch.Path() + "Q\\";
    EXPECT_EQ(ReadWholeFile(dir + "readme.txt"), sources["readme.txt"]);
    const std::pair<const char*, std::string> strings[] = {
        {"DisplayVersion", "3.1.4-test"}, {"Publisher", QUORVANE_PUBLISHER}, {"DisplayIcon", dir + "quorvane.exe"},
        {"InstallLocation", dir},         {"URLInfoAbout", kProductWebSite}, {"HelpLink", kProductWebSite}};
    for (const auto& [name, expected] : strings)
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key, name), expected) << name;
    const std::pair<const char*, DWORD> numbers[] = {
        {"EstimatedSize", DWORD((bytes + 1023) / 1024)}, {"NoModify", 1}, {"NoRepair", 1}};
    for (const auto& [name, expected] : numbers) {
        DWORD value = 0, size = sizeof value, type = 0;
        ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, encoding::Widen(key).c_str(), encoding::Widen(name).c_str(),
                               RRF_RT_ANY, &type, &value, &size),
                  ERROR_SUCCESS)
            << name;
        EXPECT_EQ(type, DWORD(REG_DWORD)) << name;
        EXPECT_EQ(value, expected) << name;
    }
    std::uint64_t sequence = 0;
    DWORD size = sizeof sequence;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quorvane", L"ReleaseSequence", RRF_RT_REG_QWORD, nullptr,
                           &sequence, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(sequence, 42u);
    EXPECT_EQ(install::RecordedReleaseSequence(), 42u);
    EXPECT_STREQ(QUORVANE_PUBLISHER, "Quorvane");
}

TEST_F(FinishInstallTest, SecondInstallOverwritesFilesAndValues) {
    BeginIn("francais", "Q\\");
    WriteWholeFile(InstallDir + "miseajour.exe", "older and longer content than the new one");
    install::FinishInstall(State());
    install::CloseInstall(State(), false, false);
    ASSERT_EQ(InstallDone, 1);
    Download("quorvane.ini", "[Quorvane]\r\nedition=basic\r\nsecond=1\r\n");
    InstallDone = 0;

    install::FinishInstall(State());

    EXPECT_EQ(InstallDone, 1);
    EXPECT_EQ(InstallDir, scratch.Path() + "Q\\");  // no second backslash
    ExpectInstalledIn(InstallDir, "Quorvane\\RaRozo\\", "Quorvane De Base.Lnk");
}

// A reinstall while the product runs, with no one to ask (a silent run): the file is found in use
// before anything changes, the old file stays and the installation is not reported as done.
TEST_F(FinishInstallTest, AFileHeldOpenIsFoundInUseBeforeAnythingChanges) {
    BeginIn("anglais", "Q");
    WriteWholeFile(InstallDir + "\\quorvane.exe", "running");
    HANDLE held = CreateFileW(encoding::Widen(InstallDir + "\\quorvane.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string message = Finish();
    CloseHandle(held);
    EXPECT_EQ(message, "Files in use: " + InstallDir + "\\quorvane.exe. Nothing was changed.");
    EXPECT_EQ(InstallDone, 0);
    EXPECT_EQ(ReadWholeFile(InstallDir + "\\quorvane.exe"), "running");
    EXPECT_EQ(LocationValue(), "<missing>");
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKeys[1], "DisplayName"), "<missing>");
    EXPECT_TRUE(statusLines.empty());
}

TEST_F(FinishInstallTest, RegistryErrorsRollBackWithTheirMessages) {
    BeginIn("francais", "Q");
    const std::string typed = InstallDir;
    struct Case {
        std::string key, value, message;
    } cases[] = {
        {kUninstallKeys[0], "", std::string("Failed to create key ") + kUninstallKeys[0]},
        {"", "UninstallString", "Failed to set data for 'UninstallString'"},
        {"", "DisplayName", "Failed to set data for 'DisplayName'"},
    };
    for (const Case& c : cases) {
        InstallDir = typed;
        InstallDone = 0;
        install::TestRegistryFaults() = {c.key, c.value};
        EXPECT_EQ(Finish(), c.message);
        EXPECT_EQ(InstallDone, 0) << c.message;
        // Everything before the uninstall entry is rolled back; the directory was there before.
        EXPECT_FALSE(Exists(InstallDir + "\\uninstall.exe"));
        EXPECT_FALSE(Exists(ProgramsPath + "Quorvane"));
        EXPECT_EQ(LocationValue(), "<missing>");
        EXPECT_TRUE(IsDirectory(InstallDir));
    }
}

TEST_F(FinishInstallTest, InstallLocation) {
    BeginIn("anglais", "Q");
    // A key that cannot be opened is passed over without a word.
    install::TestRegistryFaults() = {"SOFTWARE\\quorvane\\Quorvane\\RaRozo", ""};
    install::FinishInstall(State());
    EXPECT_EQ(InstallDone, 1);
    EXPECT_EQ(LocationValue(), "<missing>");

    // A value that cannot be written stops everything before the copies.
    RemoveTree(InstallDir);
    CreateDirectoryW(encoding::Widen(InstallDir).c_str(), nullptr);
    InstallDone = 0;
    install::TestRegistryFaults() = {"", "emplacement"};
    EXPECT_EQ(Finish(), "Failed to set data for 'emplacement'");
    EXPECT_EQ(InstallDone, 0);
    EXPECT_FALSE(Exists(InstallDir + "quorvane.exe"));
}

TEST_F(FinishInstallTest, CancelledStopsAfterTheLocationStepWithoutWriting) {
    BeginIn("francais", "Q");
    Cancelled = 1;
    install::FinishInstall(State());
    EXPECT_EQ(InstallDone, 0);
    EXPECT_EQ(InstallDir, scratch.Path() + "Q");
    EXPECT_FALSE(Exists(InstallDir + "\\quorvane.exe"));
    EXPECT_EQ(LocationValue(), "<missing>");
    EXPECT_FALSE(Exists(ProgramsPath + "Quorvane"));
}

TEST_F(FinishInstallTest, UnreadableShellFoldersSkipTheirShortcuts) {
    BeginIn("francais", "Q");
    const std::string programs = ProgramsPath;
    ProgramsPath.clear();
    DesktopPath.clear();
    wchar_t previous[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(encoding::Widen(scratch.Path()).c_str());
    install::FinishInstall(State());
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(InstallDone, 1);
    // Nothing landed in the current directory or at the drive root instead.
    EXPECT_FALSE(Exists(scratch.Path() + "Quorvane"));
    EXPECT_FALSE(Exists(scratch.Path() + "Quorvane De Base.Lnk"));
    EXPECT_FALSE(Exists("C:\\Quorvane De Base.Lnk"));
    EXPECT_FALSE(Exists(programs + "Quorvane"));
    ProgramsPath = programs;
}

TEST_F(FinishInstallTest, EmptyDirectoriesAreRefusedBeforeAnythingIsWritten) {
    Begin("francais", "");
    EXPECT_THROW(install::FinishInstall(State()), install::InstallError);
    InstallDir = scratch.Path();
    downloads.reset();
    EXPECT_THROW(install::FinishInstall(State()), install::InstallError);
    EXPECT_EQ(InstallDone, 0);
    EXPECT_EQ(LocationValue(), "<missing>");
}

TEST(ShellFolders, ProgramsEndsWithABackslashAndDesktopIsAsTheShellGivesIt) {
    Session session("francais");
    std::string programs = install::ReadProgramsPath();
    std::string desktop = install::ReadDesktopPath();
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(programs.back(), '\\');
    EXPECT_NE(programs[programs.size() - 2], '\\');
    EXPECT_NE(desktop.back(), '\\');
    EXPECT_TRUE(IsDirectory(programs));
    EXPECT_TRUE(IsDirectory(desktop));
}

}  // namespace

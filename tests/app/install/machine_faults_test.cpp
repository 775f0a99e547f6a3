// Faults of the machine under the finishing steps, for real in the Wine prefix: product files
// that cannot be replaced. Each must give its clear error, leave InstallDone at 0, write no
// uninstall entry and no shortcut, and leave the earlier installation's files as they were.
#include "finish_fixture.h"

using namespace installtest;

namespace {

class MachineFaultTest : public FinishFixture {
protected:
    // An earlier installation in the directory: its own four files, different from the download.
    // Gives the directory, with its final backslash.
    std::string EarlierInstallation() {
        BeginIn("anglais", "Earlier");
        for (const char* name : install::kProductFiles)
            WriteWholeFile(InstallDir + "\\" + name, std::string("old ") + name);
        return install::WithBackslash(InstallDir);
    }

    void ExpectNothingNewInstalled(const std::string& dir) {
        EXPECT_EQ(InstallDone, 0);
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKeys[1], "DisplayName"), "<missing>");
        EXPECT_FALSE(Exists(ProgramsPath + "Quorvane"));
        EXPECT_FALSE(Exists(DesktopPath + "\\Quorvane Basic.Lnk"));
        EXPECT_EQ(ReadWholeFile(dir + "quorvane.exe"), "old quorvane.exe");
    }
};

// Whether a read-only file can be opened for writing here. Wine keeps the read-only attribute as
// the file's Unix write permission, which does not hold back root: run as root, the copy goes
// through, where Windows refuses it.
bool ReadOnlyIsEnforced(const std::string& dir) {
    const std::wstring probe = encoding::Widen(dir + "read-only-probe");
    WriteWholeFile(dir + "read-only-probe", "x");
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool enforced = h == INVALID_HANDLE_VALUE;
    if (!enforced) CloseHandle(h);
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(probe.c_str());
    return enforced;
}

// The product file of the earlier installation is read-only: the copy over it is refused.
TEST_F(MachineFaultTest, ReadOnlyProductFileIsAnErrorAndStaysAsItWas) {
    const std::string dir = EarlierInstallation();
    if (!ReadOnlyIsEnforced(scratch.Path())) GTEST_SKIP() << "read-only files are writable here (root under Wine)";
    const std::wstring exe = encoding::Widen(dir + "quorvane.exe");
    ASSERT_TRUE(SetFileAttributesW(exe.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string message = Finish();
    SetFileAttributesW(exe.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(message.find("quorvane.exe"), std::string::npos) << message;
    EXPECT_NE(message.find(install::SystemErrorText(ERROR_ACCESS_DENIED)), std::string::npos) << message;
    ExpectNothingNewInstalled(dir);
    // quorvane.exe comes first: nothing after it was touched.
    for (const char* name : install::kProductFiles) EXPECT_EQ(ReadWholeFile(dir + name), std::string("old ") + name);
}

// A folder stands where a product file must go (left by a broken uninstaller, or made by hand):
// the copy fails with the system's reason and the folder is not removed.
TEST_F(MachineFaultTest, AFolderInPlaceOfAProductFileIsAnErrorAndIsKept) {
    const std::string dir = EarlierInstallation();
    DeleteFileW(encoding::Widen(dir + "uninstall.exe").c_str());
    ASSERT_TRUE(CreateDirectoryW(encoding::Widen(dir + "uninstall.exe").c_str(), nullptr));
    WriteWholeFile(dir + "uninstall.exe\\keep.txt", "keep");
    const std::string message = Finish();
    EXPECT_NE(message.find("uninstall.exe"), std::string::npos) << message;
    EXPECT_EQ(InstallDone, 0);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKeys[1], "DisplayName"), "<missing>");
    EXPECT_EQ(ReadWholeFile(dir + "uninstall.exe\\keep.txt"), "keep");
}

// A cleaner (or another process of the user) tries to remove a downloaded file before the copy:
// the file is held, so it stays, and the installation is whole.
TEST_F(MachineFaultTest, ADownloadedFileCannotBeRemovedBeforeItsCopy) {
    const std::string dir = EarlierInstallation();
    EXPECT_FALSE(DeleteFileW(encoding::Widen(DownloadDir + "quorvane.exe").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(InstallDone, 1);
    for (const char* name : install::kProductFiles) EXPECT_EQ(ReadWholeFile(dir + name), sources[name]) << name;
}

}  // namespace

// Page 3's checks and folder tree, and the close-time work, through the real form: real
// directories, the shell's folder tree, the registry and the settings file of the test prefix.
#include "WizardFixture.h"

#include "install/InstallTestSupport.h"
#include "ui/Text.h"

#include <commctrl.h>

namespace {

using installtest::IsDirectory;
using installtest::TemporaryFolder;

void ToPage3(TfInstall& f) {
    SendMessageW(f.BtnNext.Handle(), BM_CLICK, 0, 0);
    SendMessageW(f.rdoagree.Handle(), BM_CLICK, 0, 0);
    SendMessageW(f.BtnNext.Handle(), BM_CLICK, 0, 0);
}

void Type(ui::Edit& edit, const std::string& text) {
    SendMessageW(edit.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ui::Widen(text).c_str()));
}

// A drive letter that names no drive of this system.
std::string MissingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
    }
    return "";
}

std::string SettingsFile() {
    wchar_t windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return ui::Narrow(windows) + "\\Quorvane_b.ini";
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM parent, const std::wstring& name) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        if (installtest::TreeItemText(tree, item) == name) return item;
    }
    return nullptr;
}

TEST_F(WizardTest, ExistingProductAnsweredNoStaysOnPageThreeAndCreatesNothing) {
    TemporaryFolder dir("wizard-existing");
    installtest::WriteWholeFile(dir.Path() + "quorvane.exe", "old");
    TfInstall& f = Start(kEnglish);
    ToPage3(f);
    // Without a final backslash: the test adds one before looking for the program.
    Type(f.TxtDir, dir.Path().substr(0, dir.Path().size() - 1));
    answer = IDNO;
    Click(f.BtnNext);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "There is already a version of Quorvane in the selected directory. Do you wish to overwrite it ?");
    EXPECT_EQ(boxes[0].caption, "Directory not empty");
    EXPECT_EQ(boxes[0].flags, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(Buttons(), "BNC");
    EXPECT_EQ(f.BtnNext.Text(), "&Install");
    EXPECT_EQ(f.InstallDir, "");
    EXPECT_EQ(installtest::ReadWholeFile(dir.Path() + "quorvane.exe"), "old");
    EXPECT_EQ(f.HttpClient, nullptr);  // and nothing was fetched
}

TEST_F(WizardTest, ExistingProductAnsweredYesGoesOnIntoTheSameDirectory) {
    TemporaryFolder dir("wizard-overwrite");
    installtest::WriteWholeFile(dir.Path() + "quorvane.exe", "old");
    TfInstall& f = Start(kEnglish);
    ToPage3(f);
    Type(f.TxtDir, dir.Path());
    answer = IDYES;
    f.Cancelled = 1;  // the download then returns at once: this test is about page 3 only
    Click(f.BtnNext);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(f.InstallDir, dir.Path());
}

TEST_F(WizardTest, ADirectoryThatCannotBeMadeShowsItsBoxTwiceAndPageThreeAgain) {
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    TfInstall& f = Start(kFrench);
    ToPage3(f);
    Type(f.TxtDir, drive + "\\Apps\\Q");
    answer = IDOK;
    Click(f.BtnNext);
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        // Boxes show UTF-8.
        EXPECT_EQ(box.text, "Impossible de créer le répertoire. Vérifier la syntaxe.");
        EXPECT_EQ(box.caption, "Opération annulée");
        EXPECT_EQ(box.flags, UINT(MB_OK | MB_ICONERROR));
    }
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(Buttons(), "BNC");
    EXPECT_EQ(f.BtnNext.Text(), "&Installer");
    EXPECT_EQ(f.InstallDir, "");
    EXPECT_EQ(f.HttpClient, nullptr);  // nothing was fetched
    EXPECT_EQ(f.TxtDir.Text(), drive + "\\Apps\\Q");
}

TEST_F(WizardTest, ATypedDirectoryIsMadeLevelByLevelAndKeptAsTyped) {
    TemporaryFolder dir("wizard-levels");
    TfInstall& f = Start(kEnglish);
    ToPage3(f);
    const std::string typed = dir.Path() + "Apps\\Q";
    Type(f.TxtDir, typed);
    f.Cancelled = 1;  // stop before the download
    Click(f.BtnNext);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(IsDirectory(typed + "\\"));
    EXPECT_EQ(f.InstallDir, typed);
    EXPECT_EQ(Page(), 5);
}

class FolderTreeTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        CreateDirectoryW(folder_.c_str(), nullptr);  // before the form: the tree reads the root at once
    }
    void TearDown() override {
        WizardTest::TearDown();
        RemoveDirectoryW(folder_.c_str());
    }
    const std::wstring folder_ = L"C:\\Program Files\\QuorvaneTreeTest";
};

TEST_F(FolderTreeTest, SelectingTheRootGivesExactlyTheDefaultDirectory) {
    for (LCID locale : {kFrench, kEnglish}) {
        SCOPED_TRACE(locale);
        TfInstall& f = Start(locale);
        ToPage3(f);
        Type(f.TxtDir, "D:\\Other");
        const HWND tree = f.Directory.Handle();
        const HTREEITEM root = TreeView_GetRoot(tree);
        ASSERT_NE(root, nullptr);
        const HTREEITEM child = ChildNamed(tree, root, L"QuorvaneTreeTest");
        ASSERT_NE(child, nullptr);  // something else to be on before the root
        TreeView_SelectItem(tree, child);
        TreeView_SelectItem(tree, root);
        EXPECT_EQ(f.TxtDir.Text(),
                  locale == kFrench ? "C:\\Program Files\\Quorvane\\RaRozo\\" : "C:\\Program Files\\Quorvane\\Basic\\");
    }
}

TEST_F(FolderTreeTest, SelectingAFolderReplacesTypedTextOnceAndTypingNeverMovesTheTree) {
    TfInstall& f = Start(kFrench);
    ToPage3(f);
    const HWND tree = f.Directory.Handle();
    const HTREEITEM child = ChildNamed(tree, TreeView_GetRoot(tree), L"QuorvaneTreeTest");
    ASSERT_NE(child, nullptr);
    TreeView_SelectItem(tree, TreeView_GetRoot(tree));
    Type(f.TxtDir, "D:\\Apps\\Q");
    EXPECT_EQ(TreeView_GetSelection(tree), TreeView_GetRoot(tree));

    int changes = 0;
    f.TxtDir.OnChange = [&] { ++changes; };
    TreeView_SelectItem(tree, child);
    EXPECT_EQ(f.TxtDir.Text(), "C:\\Program Files\\QuorvaneTreeTest\\Quorvane\\RaRozo\\");
    EXPECT_EQ(changes, 1);
}

// Closing after a completed installation writes the language and the Run value; the product is
// not started when its box is cleared. Shares the prefix's installation with the install tests.
TEST_F(WizardTest, ClosingAfterACompletedInstallationDoesTheClosingWork) {
    TemporaryFolder dir("wizard-close");
    DeleteFileW(ui::Widen(SettingsFile()).c_str());
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ui::Widen(runKey).c_str(), L"QuorvaneRaRozo");
    TfInstall& f = Start(kEnglish);
    f.InstallDir = dir.Path();
    f.InstallDone = 1;
    SendMessageW(f.chkStartNow.Handle(), BM_CLICK, 0, 0);
    ASSERT_FALSE(f.chkStartNow.Checked());
    f.Close();
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(installtest::ReadRegPath(HKEY_CURRENT_USER, runKey, "QuorvaneRaRozo"),
              "\"" + dir.Path() + "Quorvane.exe\"");
    EXPECT_EQ(installtest::ReadWholeFile(SettingsFile()), "[Settings]\r\nlangue=anglais\r\n");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ui::Widen(runKey).c_str(), L"QuorvaneRaRozo");
    DeleteFileW(ui::Widen(SettingsFile()).c_str());
}

TEST_F(WizardTest, ClosingAnUnfinishedInstallationWritesNothing) {
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ui::Widen(runKey).c_str(), L"QuorvaneRaRozo");
    TfInstall& f = Start(kEnglish);
    DeleteFileW(ui::Widen(SettingsFile()).c_str());
    f.InstallDir = "C:\\Nowhere\\";
    f.Close();
    EXPECT_FALSE(installtest::Exists(SettingsFile()));
    EXPECT_EQ(installtest::ReadRegString(HKEY_CURRENT_USER, runKey, "QuorvaneRaRozo"), "<missing>");
}

}  // namespace

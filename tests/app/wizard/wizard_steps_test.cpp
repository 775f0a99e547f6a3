// Page 3's checks and folder tree through the real form: real directories and the shell's folder
// tree of the test prefix.
#include "WizardFixture.h"

#include "encoding/TextEncoding.h"

#include <commctrl.h>

namespace {

using installtest::Exists;
using installtest::IsDirectory;
using installtest::TemporaryFolder;

// A drive letter that names no drive of this system.
std::string MissingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
    }
    return "";
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM parent, const std::wstring& name) {
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        if (installtest::TreeItemText(tree, item) == name) return item;
    }
    return nullptr;
}

// An earlier installation in the directory: answered No, page 3 stays and nothing is fetched;
// answered Yes, the installation goes on into the same directory.
TEST_F(WizardTest, ExistingProductAsksAndGoesOnOnlyOnYes) {
    TemporaryFolder dir("wizard-existing");
    installtest::WriteWholeFile(dir.Path() + "quorvane.exe", "old");
    TfInstall& f = Start(kEnglish);
    ToDirectoryPage();
    // Without a final backslash: the test adds one before looking for the program.
    const std::string typed = dir.Path().substr(0, dir.Path().size() - 1);
    Type(f.TxtDir, typed);
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
    EXPECT_EQ(f.Download.HttpClient, nullptr);  // and nothing was fetched

    answer = IDYES;
    f.Cancelled = 1;  // the download then returns at once: this test is about page 3 only
    Click(f.BtnNext);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(f.InstallDir, typed);
}

TEST_F(WizardTest, ADirectoryThatCannotBeMadeShowsItsBoxTwiceAndPageThreeAgain) {
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    TfInstall& f = Start(kFrench);
    ToDirectoryPage();
    Type(f.TxtDir, drive + "\\Apps\\Q");
    answer = IDOK;
    Click(f.BtnNext);
    ASSERT_EQ(boxes.size(), 2u);
    for (const installtest::Box& box : boxes) {
        // Boxes show UTF-8.
        EXPECT_EQ(box.text, "Impossible de créer le répertoire. Vérifier la syntaxe.");
        EXPECT_EQ(box.caption, "Opération annulée");
        EXPECT_EQ(box.flags, UINT(MB_OK | MB_ICONERROR));
    }
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(Buttons(), "BNC");
    EXPECT_EQ(f.BtnNext.Text(), "&Installer");
    EXPECT_EQ(f.InstallDir, "");
    EXPECT_EQ(f.Download.HttpClient, nullptr);  // nothing was fetched
    EXPECT_EQ(f.TxtDir.Text(), drive + "\\Apps\\Q");
}

// Page 3 only tries the directory: the finishing steps' transaction makes it.
TEST_F(WizardTest, ATypedDirectoryIsTriedLevelByLevelAndKeptAsTyped) {
    TemporaryFolder dir("wizard-levels");
    TfInstall& f = Start(kEnglish);
    ToDirectoryPage();
    const std::string typed = dir.Path() + "Apps\\Q";
    Type(f.TxtDir, typed);
    f.Cancelled = 1;  // stop before the download
    Click(f.BtnNext);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(Exists(dir.Path() + "Apps"));
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
        ToDirectoryPage();
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
    ToDirectoryPage();
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

}  // namespace

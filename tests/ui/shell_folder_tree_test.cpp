// The folder tree in a test window of its own, over the real shell name space of the prefix.
#include "ui/ShellFolderTree.h"

#include "tests/app/install/InstallTestSupport.h"
#include "tests/support/TestApplication.h"
#include "ui/Form.h"
#include "encoding/TextEncoding.h"
#include "ui/Views.h"

#include <gtest/gtest.h>

#include <memory>

using namespace installtest;

namespace {

const std::string kTestFolder = "C:\\Program Files\\QuorvaneTreeTest";

// The tree on a form of its own, wired as the wizard wires it.
class ShellFolderTreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::StartApplication(); }
    void SetUp() override {
        RemoveTree(kTestFolder);
        for (const char* sub : {"", "\\Sub", "\\Sub\\Deeper", "\\Empty"})
            CreateDirectoryW(encoding::Widen(kTestFolder + sub).c_str(), nullptr);
        WriteWholeFile(kTestFolder + "\\file.txt", "not a folder");

        // Left hidden: without a window manager Wine waits two seconds to unmap a shown window.
        form.Create("tree", 420, 300, ui::FontStyle{});
        control.Create(form, {0, 0, 400, 260}, {.styles = TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS});
        host = form.Handle();
        treeWindow = control.Handle();
        tree = std::make_unique<ui::ShellFolderTree>(treeWindow);
        tree->OnChange = [this] { changes.push_back(tree->Path()); };
        // Destroying the window notifies too, when the tree is gone.
        control.OnNotify = [this](const NMHDR& header, LRESULT& result) {
            return tree && tree->HandleNotify(header, result);
        };
    }
    void TearDown() override { RemoveTree(kTestFolder); }

    std::wstring TextOf(HTREEITEM item) { return installtest::TreeItemText(treeWindow, item); }
    TVITEMW ItemOf(HTREEITEM item) {
        TVITEMW tvi{};
        tvi.mask = TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        tvi.hItem = item;
        SendMessageW(treeWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
        return tvi;
    }
    std::vector<std::wstring> ChildrenOf(HTREEITEM item) {
        std::vector<std::wstring> names;
        for (HTREEITEM c = TreeView_GetChild(treeWindow, item); c; c = TreeView_GetNextSibling(treeWindow, c))
            names.push_back(TextOf(c));
        return names;
    }
    HTREEITEM Child(HTREEITEM item, const std::wstring& name) {
        for (HTREEITEM c = TreeView_GetChild(treeWindow, item); c; c = TreeView_GetNextSibling(treeWindow, c))
            if (TextOf(c) == name) return c;
        return nullptr;
    }

    ui::Form form;
    ui::TreeView control;
    HWND host = nullptr, treeWindow = nullptr;
    std::unique_ptr<ui::ShellFolderTree> tree;
    std::vector<std::string> changes;
};

TEST_F(ShellFolderTreeTest, RootIsProgramFilesExpandedWithTheShellsIcons) {
    HTREEITEM root = TreeView_GetRoot(treeWindow);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root, tree->Root());
    EXPECT_EQ(TreeView_GetNextSibling(treeWindow, root), nullptr);
    EXPECT_EQ(TextOf(root), L"Program Files");
    EXPECT_NE(TreeView_GetImageList(treeWindow, TVSIL_NORMAL), nullptr);
    EXPECT_GE(ItemOf(root).iImage, 0);
    EXPECT_NE(Child(root, L"QuorvaneTreeTest"), nullptr);
    EXPECT_EQ(tree->Path(), "");  // nothing selected yet

    TreeView_SelectItem(treeWindow, root);
    EXPECT_EQ(tree->Path(), "C:\\Program Files");
    EXPECT_EQ(changes, (std::vector<std::string>{"C:\\Program Files"}));
}

TEST_F(ShellFolderTreeTest, FoldersOnlyLoadedOnExpansionWithTheirExpandButtons) {
    HTREEITEM folder = Child(tree->Root(), L"QuorvaneTreeTest");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(ItemOf(folder).cChildren, 1);
    EXPECT_EQ(TreeView_GetChild(treeWindow, folder), nullptr);  // not read before it is expanded

    TreeView_Expand(treeWindow, folder, TVE_EXPAND);
    EXPECT_EQ(ChildrenOf(folder), (std::vector<std::wstring>{L"Empty", L"Sub"}));
    EXPECT_EQ(ItemOf(Child(folder, L"Sub")).cChildren, 1);
    // Wine's shell says every folder has subfolders; once read, an empty one loses its button.
    HTREEITEM empty = Child(folder, L"Empty");
    TreeView_Expand(treeWindow, empty, TVE_EXPAND);
    EXPECT_EQ(ItemOf(empty).cChildren, 0);
    EXPECT_EQ(TreeView_GetChild(treeWindow, empty), nullptr);

    // Collapsing and expanding again does not read the folder twice.
    TreeView_Expand(treeWindow, folder, TVE_COLLAPSE);
    TreeView_Expand(treeWindow, folder, TVE_EXPAND);
    EXPECT_EQ(ChildrenOf(folder).size(), 2u);
}

TEST_F(ShellFolderTreeTest, SelectingAFolderGivesItsPathAndFiresTheChange) {
    HTREEITEM folder = Child(tree->Root(), L"QuorvaneTreeTest");
    TreeView_Expand(treeWindow, folder, TVE_EXPAND);
    HTREEITEM sub = Child(folder, L"Sub");
    TreeView_Expand(treeWindow, sub, TVE_EXPAND);
    HTREEITEM deeper = Child(sub, L"Deeper");
    ASSERT_NE(deeper, nullptr);
    TreeView_SelectItem(treeWindow, sub);
    TreeView_SelectItem(treeWindow, deeper);
    EXPECT_EQ(changes, (std::vector<std::string>{kTestFolder + "\\Sub", kTestFolder + "\\Sub\\Deeper"}));
    EXPECT_EQ(tree->Path(), kTestFolder + "\\Sub\\Deeper");
}

// Inside the menu's own modal loop: note what is shown, then close it.
int g_menuItems = -1;
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu) g_menuItems = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)));
    EndMenu();
}

TEST_F(ShellFolderTreeTest, RightClickSelectsTheFolderUnderTheMouseAndOpensItsShellMenu) {
    HTREEITEM folder = Child(tree->Root(), L"QuorvaneTreeTest");
    TreeView_SelectItem(treeWindow, tree->Root());
    changes.clear();
    RECT rect{};
    TreeView_GetItemRect(treeWindow, folder, &rect, TRUE);
    POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(treeWindow, &at);
    SetForegroundWindow(host);
    SetCursorPos(at.x, at.y);

    g_menuItems = -1;
    SetTimer(nullptr, 0, 300, CloseMenu);
    NMHDR click{treeWindow, 0, UINT(NM_RCLICK)};
    LRESULT result = 0;
    EXPECT_TRUE(tree->HandleNotify(click, result));
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(changes, (std::vector<std::string>{kTestFolder}));
    EXPECT_GT(g_menuItems, 0);
}

TEST_F(ShellFolderTreeTest, NotificationsOfOtherWindowsAreLeftAlone) {
    NMHDR other{host, 0, UINT(NM_RCLICK)};
    LRESULT result = 42;
    EXPECT_FALSE(tree->HandleNotify(other, result));
    EXPECT_EQ(result, 42);
}

// The shell flags archives as folders; picking one in the tree led to two error boxes.
TEST(ShellFolderTree, ListsFileSystemFoldersOnly) {
    const struct {
        SFGAOF attributes;
        bool listed;
    } cases[] = {
        {SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER, true},
        {SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_STREAM, false},  // a .zip archive
        {SFGAO_FOLDER, false},                                    // a virtual folder
        {SFGAO_FILESYSTEM, false},                                // a file
    };
    for (const auto& c : cases) EXPECT_EQ(ui::IsFileSystemFolder(c.attributes), c.listed) << c.attributes;
}

TEST(ShellFolderTree, UnreadableRootIsAnError) {
    testsupport::StartApplication();
    HWND treeWindow = CreateWindowExW(0, WC_TREEVIEWW, L"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_THROW(ui::ShellFolderTree(treeWindow, "Q:\\Nowhere"), std::runtime_error);
    DestroyWindow(treeWindow);
}

}  // namespace

#pragma once
// The folder tree of page 3: attaches to a tree-view control that the form created and fills it
// with the shell's name space below C:\Program Files, folders only, with the shell's own icons.
// A folder's children are read when it is first expanded. A right click selects the folder under
// the mouse and opens the shell's own context menu for it.
//
// The tree-view sends its notifications to its parent, which routes them back to the control's
// wrapper (ui::TreeView::OnNotify); the wrapper hands them to HandleNotify, which returns true
// when it handled the notification (the window procedure then returns `result`). COM must be
// initialised on the thread. Neither constructor nor handlers let an exception out of a call
// from Windows: HandleNotify hands errors to the application's handler.
// The control's style is its creator's choice (the wizard's has no TVS_LINESATROOT: no lines or
// button at the root).
#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ComOwner.h"

namespace ui {

// What the tree lists: folders of the file system. The shell also flags archives (.zip, .cab) as
// folders, but they are files (SFGAO_STREAM) and no directory can be made inside them.
bool IsFileSystemFolder(SFGAOF attributes);

class ShellFolderTree {
public:
    // Fills `tree` with the root folder, expanded. Throws std::runtime_error when the root cannot be
    // read.
    explicit ShellFolderTree(HWND tree, const std::string& rootPath = "C:\\Program Files");
    ~ShellFolderTree();
    ShellFolderTree(const ShellFolderTree&) = delete;
    ShellFolderTree& operator=(const ShellFolderTree&) = delete;

    // File-system path (UTF-8) of the selected folder without a trailing backslash; empty when
    // nothing is selected or the folder has no file-system path.
    std::string Path() const;

    // Fired whenever the selected folder changes (the form's DirectoryChange).
    std::function<void()> OnChange;

    bool HandleNotify(const NMHDR& header, LRESULT& result) noexcept;

    // The shell's context menu of `item`'s folder at screen point `at`; runs the chosen command.
    void ShowContextMenu(HTREEITEM item, POINT at);

    HWND Handle() const { return tree_; }
    HTREEITEM Root() const { return root_; }
    // Reads the children of `item` when not done yet (what expanding does).
    void LoadChildren(HTREEITEM item);

private:
    struct Node {
        Pidl absolute;
        bool loaded = false;
    };

    Node* NodeOf(HTREEITEM item) const;
    HTREEITEM Insert(HTREEITEM parent, Pidl absolute, const std::wstring& name, bool hasSubfolders);
    void InsertChildren(HTREEITEM item, const Node& node, IShellFolder* folder, IEnumIDList* items);
    void RightClick();

    HWND tree_;
    HTREEITEM root_ = nullptr;
    std::vector<std::unique_ptr<Node>> nodes_;
};

}  // namespace ui

#include "ui/ShellFolderTree.h"

#include "ui/Application.h"
#include "encoding/TextEncoding.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <stdexcept>

namespace ui {
namespace {

// Icon indices of the system image list for a folder, closed and open.
std::pair<int, int> IconsOf(PCIDLIST_ABSOLUTE pidl) {
    SHFILEINFOW info{};
    const UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info, flags);
    int closed = info.iIcon;
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info, flags | SHGFI_OPENICON);
    return {closed, info.iIcon};
}

std::wstring DisplayName(IShellFolder* parent, PCUITEMID_CHILD child) {
    STRRET name{};
    if (FAILED(parent->GetDisplayNameOf(child, SHGDN_INFOLDER, &name))) return {};
    wchar_t* text = nullptr;
    if (FAILED(StrRetToStrW(&name, child, &text))) return {};
    std::wstring result = text;
    CoTaskMemFree(text);
    return result;
}

ComRef<IShellFolder> BindToFolder(PCIDLIST_ABSOLUTE pidl) {
    ComRef<IShellFolder> desktop, folder;
    if (FAILED(SHGetDesktopFolder(desktop.Put()))) return folder;
    if (ILIsEmpty(pidl)) return desktop;
    desktop->BindToObject(pidl, nullptr, IID_IShellFolder, folder.PutVoid());
    return folder;
}

// While the menu is open, its owner receives the messages that fill and draw the shell's own
// submenus ("Send to", "New"); they must reach the context menu object or those stay empty.
LRESULT CALLBACK MenuRelay(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_INITMENUPOPUP || msg == WM_DRAWITEM || msg == WM_MEASUREITEM || msg == WM_MENUCHAR) {
        auto* menu = reinterpret_cast<IContextMenu*>(data);
        ComRef<IContextMenu3> menu3;
        ComRef<IContextMenu2> menu2;
        LRESULT result = 0;
        if (SUCCEEDED(menu->QueryInterface(IID_IContextMenu3, menu3.PutVoid()))) {
            if (SUCCEEDED(menu3->HandleMenuMsg2(msg, wp, lp, &result))) return result;
        } else if (msg != WM_MENUCHAR && SUCCEEDED(menu->QueryInterface(IID_IContextMenu2, menu2.PutVoid()))) {
            if (SUCCEEDED(menu2->HandleMenuMsg(msg, wp, lp))) return msg == WM_INITMENUPOPUP ? 0 : TRUE;
        }
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// Relays the menu messages for as long as the menu is shown.
class MenuRelayScope {
public:
    MenuRelayScope(HWND owner, IContextMenu* menu) : owner_(owner) {
        SetWindowSubclass(owner_, MenuRelay, kId, reinterpret_cast<DWORD_PTR>(menu));
    }
    ~MenuRelayScope() { RemoveWindowSubclass(owner_, MenuRelay, kId); }
    MenuRelayScope(const MenuRelayScope&) = delete;
    MenuRelayScope& operator=(const MenuRelayScope&) = delete;

private:
    static constexpr UINT_PTR kId = 0x5156;  // "QV"
    HWND owner_;
};

}  // namespace

bool IsFileSystemFolder(SFGAOF attributes) {
    constexpr SFGAOF kWanted = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    return (attributes & kWanted) == kWanted && !(attributes & SFGAO_STREAM);
}

ShellFolderTree::ShellFolderTree(HWND tree, const std::string& rootPath) : tree_(tree) {
    SHFILEINFOW info{};
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    // The system image list belongs to the shell; a tree-view never destroys its image list.
    TreeView_SetImageList(tree_, images, TVSIL_NORMAL);

    Pidl root;
    if (FAILED(SHParseDisplayName(encoding::WidenPath(rootPath).c_str(), nullptr, root.Put(), 0, nullptr)) || !root)
        throw std::runtime_error("Cannot read the folder " + rootPath);
    ComRef<IShellFolder> parent;
    PCUITEMID_CHILD last = nullptr;
    std::wstring name = encoding::WidenPath(rootPath);
    DWORD attributes = SFGAO_HASSUBFOLDER;
    if (SUCCEEDED(SHBindToParent(root.Get(), IID_IShellFolder, parent.PutVoid(), &last))) {
        name = DisplayName(parent.Get(), last);
        parent->GetAttributesOf(1, &last, &attributes);
    }
    root_ = Insert(TVI_ROOT, std::move(root), name, (attributes & SFGAO_HASSUBFOLDER) != 0);
    // Read here: the parent cannot forward the expansion notice to an object still being built.
    LoadChildren(root_);
    TreeView_Expand(tree_, root_, TVE_EXPAND);
}

ShellFolderTree::~ShellFolderTree() {
    // The items point at our nodes: empty the control before the nodes go.
    if (IsWindow(tree_)) TreeView_DeleteAllItems(tree_);
}

ShellFolderTree::Node* ShellFolderTree::NodeOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMW tvi{};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    if (!SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi))) return nullptr;
    return reinterpret_cast<Node*>(tvi.lParam);
}

HTREEITEM ShellFolderTree::Insert(HTREEITEM parent, Pidl absolute, const std::wstring& name, bool hasSubfolders) {
    auto [closed, open] = IconsOf(absolute.Get());
    nodes_.push_back(std::make_unique<Node>(Node{std::move(absolute), false}));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(nodes_.back().get());
    insert.item.cChildren = hasSubfolders ? 1 : 0;
    insert.item.iImage = closed;
    insert.item.iSelectedImage = open;
    // Sent as the W message whatever UNICODE says: the macro would pick the ANSI one here.
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void ShellFolderTree::LoadChildren(HTREEITEM item) {
    Node* node = NodeOf(item);
    if (!node || node->loaded) return;
    node->loaded = true;
    ComRef<IShellFolder> folder = BindToFolder(node->absolute.Get());
    ComRef<IEnumIDList> items;
    // S_FALSE means an empty enumeration with no enumerator.
    if (folder && folder->EnumObjects(tree_, SHCONTF_FOLDERS, items.Put()) == S_OK && items)
        InsertChildren(item, *node, folder.Get(), items.Get());
    // The shell may promise subfolders it does not have (Wine always does): drop the button.
    if (!TreeView_GetChild(tree_, item)) {
        TVITEMW tvi{};
        tvi.mask = TVIF_CHILDREN | TVIF_HANDLE;
        tvi.hItem = item;
        SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
    }
}

void ShellFolderTree::InsertChildren(HTREEITEM item, const Node& node, IShellFolder* folder, IEnumIDList* items) {
    PITEMID_CHILD child = nullptr;
    while (items->Next(1, &child, nullptr) == S_OK) {
        Pidl relative(reinterpret_cast<PIDLIST_ABSOLUTE>(child));  // frees the child on every path
        SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_STREAM;
        if (FAILED(folder->GetAttributesOf(1, const_cast<PCUITEMID_CHILD*>(&child), &attributes))) continue;
        if (!IsFileSystemFolder(attributes)) continue;
        Pidl absolute(ILCombine(node.absolute.Get(), child));
        if (!absolute) continue;
        Insert(item, std::move(absolute), DisplayName(folder, child), (attributes & SFGAO_HASSUBFOLDER) != 0);
    }
}

std::string ShellFolderTree::Path() const {
    Node* node = NodeOf(TreeView_GetSelection(tree_));
    if (!node) return {};
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(node->absolute.Get(), path)) return {};
    std::string result = encoding::NarrowPath(path);
    // A drive root keeps its backslash ("C:\"); an ordinary folder has none.
    if (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

void ShellFolderTree::ShowContextMenu(HTREEITEM item, POINT at) {
    Node* node = NodeOf(item);
    if (!node) return;
    ComRef<IShellFolder> parent;
    PCUITEMID_CHILD last = nullptr;
    if (FAILED(SHBindToParent(node->absolute.Get(), IID_IShellFolder, parent.PutVoid(), &last))) return;
    ComRef<IContextMenu> menu;
    if (FAILED(parent->GetUIObjectOf(tree_, 1, &last, IID_IContextMenu, nullptr, menu.PutVoid()))) return;
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    constexpr UINT kFirst = 1, kLast = 0x7FFF;
    UINT chosen = 0;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, kFirst, kLast, CMF_NORMAL | CMF_EXPLORE))) {
        MenuRelayScope relay(tree_, menu.Get());
        chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, tree_, nullptr);
    }
    DestroyMenu(popup);
    if (chosen < kFirst) return;
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.hwnd = tree_;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - kFirst);
    invoke.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&invoke);
}

void ShellFolderTree::RightClick() {
    POINT at{};
    GetCursorPos(&at);
    TVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(tree_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    if (!item || !(hit.flags & TVHT_ONITEM)) return;
    TreeView_SelectItem(tree_, item);
    ShowContextMenu(item, at);
}

bool ShellFolderTree::HandleNotify(const NMHDR& header, LRESULT& result) noexcept {
    if (header.hwndFrom != tree_) return false;
    try {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        switch (header.code) {
        // The A and W forms differ only in the text pointers, which are not read here.
        case TVN_ITEMEXPANDINGW:
        case TVN_ITEMEXPANDINGA:
            if (change.action & TVE_EXPAND) LoadChildren(change.itemNew.hItem);
            result = FALSE;
            return true;
        case TVN_SELCHANGEDW:
        case TVN_SELCHANGEDA:
            if (OnChange) OnChange();
            result = 0;
            return true;
        case NM_RCLICK:
            RightClick();
            result = TRUE;  // handled: no second menu from the default processing
            return true;
        default: return false;
        }
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        result = 0;
        return true;
    }
}

}  // namespace ui

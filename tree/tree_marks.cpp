#include "tree/tree_marks.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "base/gate.h"
#include "base/long_work.h"
#include "resources/resource_ids.h"
#include "tree/directory_service.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

HTREEITEM CurrentNode = nullptr;
int NotifyGate = 1;
HBITMAP FolderMenuPictures[4] = {};

namespace {

// The node under the mouse cursor, or null.
HTREEITEM NodeUnderCursor() {
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(TreePane, &at);
    TVHITTESTINFO hit = {};
    hit.pt = at;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(TreePane, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void OnSelectionChanged(const NMTREEVIEWA* change) {
    if (NotifyGate == 0)
        return;
    GateClosed closed(NotifyGate);
    HTREEITEM node = change->itemNew.hItem;
    if (node != nullptr && node != RootNode) {
        CurrentNode = node;
        BuildNodePath(node);
        PopulateNode(node);
    }
}

void OnClick() {
    GateClosed closed(NotifyGate);
    CurrentNode = NodeUnderCursor();
    if (CurrentNode != nullptr)
        TreeExpand(TreePane, CurrentNode, TVE_TOGGLE);
}

void ShowFolderMenu(HWND owner, POINT at) {
    HMENU loaded = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_FOLDER_MENU));
    if (loaded == nullptr)
        return;
    HMENU menu = GetSubMenu(loaded, 0);
    static const UINT kCommands[4] = {IDC_LIST_FOLDER, IDC_UNLIST_FOLDER, IDC_LIST_SUBFOLDERS,
                                      IDC_UNLIST_SUBFOLDERS};
    for (int i = 0; i < 4; ++i) {
        SetMenuItemBitmaps(menu, kCommands[i], MF_BYCOMMAND, FolderMenuPictures[i],
                           FolderMenuPictures[i]);
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    DestroyMenu(loaded);
}

// Makes node the current, selected and read node, then shows the folder menu at at.
void OpenFolderMenu(HWND owner, HTREEITEM node, POINT at) {
    GateClosed closed(NotifyGate);
    if (node != nullptr && node != RootNode) {
        CurrentNode = node;
        TreeSelect(TreePane, node);
        BuildNodePath(node);
        PopulateNode(node);
        ShowFolderMenu(owner, at);
    }
}

void OnRightClick(HWND owner) {
    POINT at;
    GetCursorPos(&at);
    OpenFolderMenu(owner, NodeUnderCursor(), at);
}

}  // namespace

void ShowFolderMenuOfSelection(HWND owner) {
    HTREEITEM node =
        reinterpret_cast<HTREEITEM>(SendMessageA(TreePane, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (node == nullptr)
        return;
    SendMessageA(TreePane, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
    RECT r = {};
    if (!TreeView_GetItemRect(TreePane, node, &r, TRUE))
        return;
    POINT at = {r.left, r.bottom};
    ClientToScreen(TreePane, &at);
    OpenFolderMenu(owner, node, at);
}

void HandleTreeNotify(const NMHDR* header, HWND owner) {
    switch (header->code) {
        case TVN_SELCHANGEDA:
            OnSelectionChanged(reinterpret_cast<const NMTREEVIEWA*>(header));
            break;
        case NM_CLICK:
            OnClick();
            break;
        case NM_RCLICK:
            OnRightClick(owner);
            break;
        default:
            break;
    }
}

namespace {

// The image pairs of each kind of node, unlisted and listed.
struct MarkPairs {
    int unlisted, unlistedSelected, listed, listedSelected;
};

constexpr MarkPairs kMarkPairs[] = {
    {FolderClosed, FolderOpen, ListedFolder, ListedFolderOpen},
    {FixedDrive, FixedDrive, ListedFixedDrive, ListedFixedDrive},
    {OtherDrive, OtherDrive, ListedOtherDrive, ListedOtherDrive},
};

// Gives CurrentNode its listed or unlisted pair; a node already so, or the root,
// keeps its images.
void MarkCurrentNode(bool listing) {
    if (CurrentNode == nullptr)
        return;
    const int image = TreeGetImage(TreePane, CurrentNode);
    for (const MarkPairs& pairs : kMarkPairs) {
        if (listing && image == pairs.unlisted) {
            TreeSetImages(TreePane, CurrentNode, pairs.listed, pairs.listedSelected);
        } else if (!listing && image == pairs.listed) {
            TreeSetImages(TreePane, CurrentNode, pairs.unlisted, pairs.unlistedSelected);
        }
    }
}

}  // namespace

void ListFolder() {
    MarkCurrentNode(true);
}

void UnListFolder() {
    MarkCurrentNode(false);
}

namespace {

// True when the folder in CurrentPath (the node BuildNodePath was just given) is a
// symbolic link or junction. Such a folder is marked like any other, but not read
// below: a link back up the tree would make the walk read the same folders again and
// again down to the path limit.
bool IsLinkNode() {
    // CurrentPath holds the node's path with a trailing backslash: search its parent
    // for its name. A drive's root is never a link.
    char parent[kPathCapacity];
    lstrcpynA(parent, CurrentPath, sizeof parent);
    size_t len = lstrlenA(parent);
    if (len <= 3)
        return false;
    parent[len - 1] = '\0';
    char* slash = std::strrchr(parent, '\\');
    if (slash == nullptr)
        return false;
    char name[kPathCapacity];
    lstrcpynA(name, slash + 1, sizeof name);
    slash[1] = '\0';
    FoundEntry entry;
    HANDLE search = Directory().FindFirst(parent, name, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    Directory().CloseSearch(search);
    return IsLinkFolder(entry);
}

// Whether each unread node of the walk is a link, as far as the directory searches that
// read its parent have already told: the folders read during the walk, and the
// subfolders of the walk's own start, which one search of its folder covers. A node
// it does not know is tested on its own.
class KnownLinks {
public:
    // Learns the links among the existing unread children of start with one search
    // (the read ones are known from the search that read start).
    void LearnChildrenOf(HTREEITEM start) {
        bool unread = false;
        for (HTREEITEM child = TreeFirstChild(TreePane, start); child != nullptr && !unread;
             child = TreeNextSibling(TreePane, child)) {
            unread = TreeGetParam(TreePane, child) != kNodeRead;
        }
        if (!unread || start == RootNode || !FillNodePath(start))
            return;
        DirectoryService& dir = Directory();
        FoundEntry entry;
        HANDLE search = dir.FindFirst(CurrentPath, "*.*", &entry);
        if (search == INVALID_HANDLE_VALUE)
            return;
        std::unordered_map<std::string, bool> byName;
        do {
            if (IsShownFolder(entry))
                byName.emplace(entry.name, IsLinkFolder(entry));
        } while (dir.FindNext(search, &entry));
        dir.CloseSearch(search);
        char text[kTreeTextCapacity];
        for (HTREEITEM child = TreeFirstChild(TreePane, start); child != nullptr;
             child = TreeNextSibling(TreePane, child)) {
            TreeGetText(TreePane, child, text, sizeof text);
            auto found = byName.find(text);
            if (found != byName.end())
                links_[child] = found->second;
        }
    }

    // Learns the links among the folders the last PopulateNode inserted.
    void LearnLastRead() {
        for (const InsertedFolder& folder : LastInsertedFolders()) {
            if (folder.node != nullptr)
                links_[folder.node] = folder.link;
        }
    }

    // Whether node, whose path BuildNodePath has just set, is a link.
    bool IsLink(HTREEITEM node) const {
        auto known = links_.find(node);
        return known != links_.end() ? known->second : IsLinkNode();
    }

private:
    std::unordered_map<HTREEITEM, bool> links_;
};

// Stops the tree from drawing while a walk reads and expands its nodes, and draws it
// once at the end, scrolled to show the node the walk started from.
class TreeDrawingPause {
public:
    explicit TreeDrawingPause(HTREEITEM shown)
        : shown_(shown), paused_(IsWindowVisible(TreePane) != FALSE) {
        // The tree lays out again every node after one that opens whose parents are all
        // open, shown on screen or not, so the walk opens its nodes below a closed start,
        // which is opened again at the end.
        reopen_ = shown_ != nullptr && TreeIsExpanded(TreePane, shown_);
        if (reopen_) {
            GateClosed closed(NotifyGate);
            TreeExpand(TreePane, shown_, TVE_COLLAPSE);
        }
        if (!paused_)
            return;
        // The control's own flag stops its painting; the window's, which the system
        // keeps, also stops the scroll bars from being drawn for every node expanded.
        // Wine's tree view keeps the message to itself, so the second is set here.
        SendMessageA(TreePane, WM_SETREDRAW, FALSE, 0);
        DefWindowProcA(TreePane, WM_SETREDRAW, FALSE, 0);
    }
    ~TreeDrawingPause() {
        if (reopen_) {
            GateClosed closed(NotifyGate);
            TreeExpand(TreePane, shown_, TVE_EXPAND);
        }
        if (!paused_)
            return;
        DefWindowProcA(TreePane, WM_SETREDRAW, TRUE, 0);
        SendMessageA(TreePane, WM_SETREDRAW, TRUE, 0);
        SendMessageA(TreePane, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(shown_));
        RedrawWindow(TreePane, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    TreeDrawingPause(const TreeDrawingPause&) = delete;
    TreeDrawingPause& operator=(const TreeDrawingPause&) = delete;

private:
    HTREEITEM shown_;
    bool paused_;
    bool reopen_ = false;
};

}  // namespace

void MarkSubtree(bool listing) {
    if (CurrentNode == nullptr)
        return;
    const int image = listing ? ListedFolder : FolderClosed;
    const int selected = listing ? ListedFolderOpen : FolderOpen;
    HTREEITEM at = TreeFirstChild(TreePane, CurrentNode);
    if (at == nullptr)
        return;
    LongWork work;
    TreeDrawingPause pause(CurrentNode);
    long long read = 0;
    KnownLinks links;
    links.LearnChildrenOf(CurrentNode);
    // A node read before needs neither its path nor the disk: the search that read its
    // parent told whether it is a link. Its path is built only when it is the last
    // node gone through, so that the walk still leaves CurrentPath to that node.
    HTREEITEM pathOwed = nullptr;
    // The link whose nodes, put below it when the user opened it, are being walked:
    // they are marked like the rest, but neither read nor entered.
    HTREEITEM belowLink = nullptr;
    for (;;) {
        LongWorkProgress("reading folder %s", ++read);
        // Entering a node: read it and expand it, then go down. A link is marked but
        // neither read nor expanded; the nodes an earlier selection of it put under it
        // are walked and marked without reading.
        bool link = false;
        bool opened = false;  // PopulateNode has just read and opened the node
        if (belowLink != nullptr) {
            // Below a link: nothing is read.
        } else if (TreeGetParam(TreePane, at) == kNodeRead) {
            link = ReadAsLink(at);
            pathOwed = at;
        } else {
            pathOwed = nullptr;
            const bool fits = FillNodePath(at);
            link = fits && links.IsLink(at);
            if (fits && !link) {
                // The folders found are inserted already marked.
                PopulateNode(at, image, selected);
                links.LearnLastRead();
                opened = true;
            }
        }
        HTREEITEM child = TreeFirstChild(TreePane, at);
        if (child != nullptr && belowLink == nullptr && !link && !opened)
            TreeExpand(TreePane, at, TVE_EXPAND);
        if (child != nullptr) {
            if (link)
                belowLink = at;
            at = child;
            continue;
        }
        // A node without children: mark it, then its sibling, or climb and mark.
        for (;;) {
            TreeSetImages(TreePane, at, image, selected);
            if (at == belowLink)
                belowLink = nullptr;
            HTREEITEM sibling = TreeNextSibling(TreePane, at);
            if (sibling != nullptr) {
                at = sibling;
                break;
            }
            at = TreeParent(TreePane, at);
            if (at == CurrentNode || at == nullptr) {
                if (pathOwed != nullptr)
                    FillNodePath(pathOwed);
                return;
            }
        }
    }
}

void RefreshNode(HTREEITEM node) {
    if (node == nullptr)
        return;
    TreeSetParam(TreePane, node, kNodeUnread);
    for (HTREEITEM child = TreeFirstChild(TreePane, node); child != nullptr;
         child = TreeFirstChild(TreePane, node)) {
        TreeDelete(TreePane, child);
    }
    PopulateNode(node);
}

#include "tree/folder_tree.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <unordered_map>

#include "base/bounded_text.h"
#include "base/wide_text.h"
#include "resources/resource_ids.h"
#include "base/display_scale.h"
#include "tree/directory_service.h"
#include "tree/tree_control.h"

HWND TreePane = nullptr;
HTREEITEM RootNode = nullptr;
char CurrentPath[kPathCapacity] = "";
char PathWorkCopy[kPathCapacity] = "";
HIMAGELIST TreeImages = nullptr;

namespace {

bool Utf8CodePage() {
    return GetACP() == CP_UTF8;
}

std::vector<InsertedFolder> lastInserted;

// Where DescendToLeaf ended: the folder the root's reading searches.
char leafFolder[kPathCapacity] = "";

// For every folder node the tree holds, whether the search that inserted it reported
// a link. A handle of a deleted node may come back for a new one, which the insertion
// then writes again.
std::unordered_map<HTREEITEM, bool> readAsLink;

// A subfolder found by PopulateNode's search.
struct FoundFolder {
    std::string name;
    std::wstring key;  // the name as the tree holds it, converted from the ANSI code page
    bool link;
};

// Inserts the found folders under node in alphabetical order (TVI_SORT), in
// descending order of that comparison (lstrcmpW of the names as the tree holds them):
// every insertion then stops at the first child instead of walking all of them, which
// keeps a folder of many thousand subfolders linear. Folders that compare equal keep
// the search's order among themselves, and each one lands where inserting them in
// search order would have put it.
void InsertSorted(HTREEITEM node, const std::vector<FoundFolder>& found, int image,
                  int selectedImage) {
    std::vector<size_t> order(found.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&found](size_t a, size_t b) {
        return lstrcmpW(found[a].key.c_str(), found[b].key.c_str()) > 0;
    });
    lastInserted.reserve(found.size());
    for (size_t i : order) {
        HTREEITEM child =
            TreeInsert(TreePane, node, TVI_SORT, found[i].name.c_str(), image, selectedImage);
        lastInserted.push_back({child, found[i].link});
        readAsLink[child] = found[i].link;
    }
}

// The drives the tree shows: fixed disks, CD-ROM drives, and a root that the system
// reports without a volume. Removable, network and RAM drives and unknown ones are
// left out.
bool IsShownDriveType(UINT type) {
    return type == DRIVE_FIXED || type == DRIVE_CDROM || type == DRIVE_NO_ROOT_DIR;
}

// The path of the folder name inside folder (a path with a trailing backslash), with
// its own trailing backslash, into path (kPathCapacity bytes); false when it does not
// fit.
bool ChildPath(const char* folder, const char* name, char* path) {
    return CopyText(path, kPathCapacity, folder) && AppendText(path, kPathCapacity, name) &&
           AppendText(path, kPathCapacity, "\\");
}

}  // namespace

HWND CreateTreePane(HWND parent, int width, int height) {
    TreePane = CreateWindowExA(
        0, WC_TREEVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | TVS_NONEVENHEIGHT | TVS_HASLINES, 0,
        0, width, height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    TreeStartRecord(TreePane);
    return TreePane;
}

namespace {

// The font the tree was given for a DPI other than the one it started at; null while
// it keeps the system's.
HFONT treeFont = nullptr;

// The tree's images at dpi: the strip drawn nearest to the small-icon size there,
// enlarged by a whole factor where needed, in place of the images the tree had.
void SetTreeImages(int dpi) {
    static const int kStripHeights[kPictureSizes] = {16, 20, 24};
    const PictureChoice choice = ChoosePicture(MetricForDpi(SM_CXSMICON, dpi), kStripHeights);
    const int side = kStripHeights[choice.size] * choice.factor;
    HIMAGELIST images = ImageList_Create(side, side, ILC_COLOR16, 9, 10);
    HBITMAP strip = LoadPicture(GetModuleHandleA(nullptr), IDB_TREE_IMAGES, choice);
    ImageList_Add(images, strip, nullptr);
    DeleteObject(strip);
    SendMessageA(TreePane, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    if (TreeImages)
        ImageList_Destroy(TreeImages);
    TreeImages = images;
}

// The icon-title font, the tree's own, at dpi.
HFONT TreeFontForDpi(int dpi) {
    using ForDpiCall = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const ForDpiCall forDpi = reinterpret_cast<ForDpiCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoForDpi")));
    LOGFONTW font = {};
    if (forDpi && forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, dpi))
        return CreateFontIndirectW(&font);
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0))
        return nullptr;
    font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
    return CreateFontIndirectW(&font);
}

}  // namespace

void InitFolderTree() {
    SetTreeImages(WindowDpi(TreePane));
    SetFocus(TreePane);
    PopulateDrives();
    DescendToLeaf();
    PopulateNode(RootNode);
    TreeSelect(TreePane, RootNode);
}

void ScaleFolderTree(int dpi) {
    SetTreeImages(dpi);
    HFONT font = TreeFontForDpi(dpi);
    if (font == nullptr)
        return;
    SendMessageA(TreePane, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (treeFont)
        DeleteObject(treeFont);
    treeFont = font;
}

void ReleaseFolderTree() {
    if (TreeImages)
        ImageList_Destroy(TreeImages);
    TreeImages = nullptr;
    if (treeFont)
        DeleteObject(treeFont);
    treeFont = nullptr;
}

void PopulateDrives() {
    readAsLink.clear();
    RootNode = TreeInsert(TreePane, TVI_ROOT, TVI_LAST, "My Computer", ComputerRoot, ComputerRoot);
    DirectoryService& dir = Directory();
    DWORD mask = dir.LogicalDrives();
    char strings[kDriveStringsCapacity];
    std::memset(strings, 0, sizeof strings);
    DWORD length = dir.LogicalDriveStrings(sizeof strings - 1, strings);
    if (length >= sizeof strings)
        length = 0;  // did not fit: show no drive rather than garbage

    char table[kDriveTableSlots][4];
    int shown = 0;
    size_t offset = 0;
    for (int bit = 0; bit < 32 && (mask >> bit) != 0; ++bit) {
        if ((mask & (1u << bit)) == 0)
            continue;
        if (offset + 4 > length + 1)
            break;  // fewer strings than set bits
        const char* root = strings + offset;
        offset += 4;
        if (IsShownDriveType(dir.DriveType(root)) && shown < kDriveTableSlots) {
            CopyText(table[shown], sizeof table[shown], root);
            ++shown;
        }
    }
    for (int i = 0; i < shown; ++i) {
        int image = dir.DriveType(table[i]) == DRIVE_FIXED ? FixedDrive : OtherDrive;
        TreeInsert(TreePane, RootNode, TVI_LAST, table[i], image, image);
    }
}

void DescendToLeaf() {
    // Follows the first folder that can be entered at each level, from the folder the
    // program was started in. Links are never followed (a link back up the tree would
    // make the descent run to the path limit), and a folder that cannot be entered is
    // passed over, so the descent always ends. The process current directory stays
    // where it is: only the leaf's path is kept, for the root's reading.
    DirectoryService& dir = Directory();
    char folder[kPathCapacity];
    if (!dir.StartFolder(folder, sizeof folder)) {
        leafFolder[0] = '\0';
        return;
    }
    for (int depth = 0; depth < kPathCapacity; ++depth) {
        FoundEntry entry;
        HANDLE search = dir.FindFirst(folder, "*.*", &entry);
        if (search == INVALID_HANDLE_VALUE)
            break;
        bool moved = false;
        do {
            char below[kPathCapacity];
            if (IsShownFolder(entry) && !IsLinkFolder(entry) &&
                ChildPath(folder, entry.name, below) && dir.CanEnter(below)) {
                CopyText(folder, sizeof folder, below);
                moved = true;
                break;
            }
        } while (dir.FindNext(search, &entry));
        dir.CloseSearch(search);
        if (!moved)
            break;
    }
    CopyText(leafFolder, sizeof leafFolder, folder);
}

const char* DescentLeaf() {
    return leafFolder;
}

void PopulateNode(HTREEITEM node, int image, int selectedImage) {
    lastInserted.clear();
    DirectoryService& dir = Directory();
    if (TreeGetParam(TreePane, node) == kNodeRead)
        return;
    // The root searches the descent's leaf, which holds no folder to show; a folder,
    // its own path.
    const char* folder = node == RootNode ? leafFolder : CurrentPath;
    if (folder[0] == '\0')
        return;
    FoundEntry entry;
    HANDLE search = dir.FindFirst(folder, "*.*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        // A folder that cannot be entered (gone, a drive without a medium) stays unread
        // and is tried again next time; one that can be entered but not searched counts
        // as read, with no children. Only a failed search costs the second question.
        if (node == RootNode || dir.CanEnter(folder))
            TreeSetParam(TreePane, node, kNodeRead);
        return;
    }
    TreeSetParam(TreePane, node, kNodeRead);
    std::vector<FoundFolder> found;
    char path[kPathCapacity];
    do {
        // The root holds only the drives, whatever folder the descent ended in. A
        // folder whose path would not fit the path buffers could never be read or
        // listed, so it is not shown.
        if (node != RootNode && IsShownFolder(entry) && ChildPath(folder, entry.name, path))
            found.push_back({entry.name, WideFromAnsi(entry.name), IsLinkFolder(entry)});
    } while (dir.FindNext(search, &entry));
    dir.CloseSearch(search);
    InsertSorted(node, found, image, selectedImage);
    // A node without children has nothing to open: the control is not asked.
    if (TreeFirstChild(TreePane, node) != nullptr)
        TreeExpand(TreePane, node, TVE_EXPAND);
}

const std::vector<InsertedFolder>& LastInsertedFolders() {
    return lastInserted;
}

bool ReadAsLink(HTREEITEM node) {
    auto found = readAsLink.find(node);
    return found != readAsLink.end() && found->second;
}

bool FillNodePath(HTREEITEM node) {
    const bool utf8 = Utf8CodePage();
    CurrentPath[0] = '\0';
    bool fits = true;
    char text[kTreeTextCapacity];
    for (HTREEITEM at = node; at != nullptr;) {
        TreeGetText(TreePane, at, text, sizeof text);
        fits = CopyText(PathWorkCopy, sizeof PathWorkCopy, text, utf8) && fits;
        size_t len = std::strlen(PathWorkCopy);
        if (len == 0 || PathWorkCopy[len - 1] != '\\') {
            fits = AppendText(PathWorkCopy, sizeof PathWorkCopy, "\\") && fits;
        }
        fits = AppendText(PathWorkCopy, sizeof PathWorkCopy, CurrentPath, utf8) && fits;
        CopyText(CurrentPath, sizeof CurrentPath, PathWorkCopy);
        at = TreeParent(TreePane, at);
        if (at == RootNode)
            break;
    }
    return fits;
}

bool BuildNodePath(HTREEITEM node) {
    // A path that did not fit is not a path of this node: never read it.
    return FillNodePath(node) && Directory().CanEnter(CurrentPath);
}

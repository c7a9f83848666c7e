// The folder tree: "My Computer", its fixed and CD-ROM drives and their folders, read
// from disk lazily. A node's image carries both its kind and its listed mark.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

enum NodeImage {
    FolderClosed = 0,
    FolderOpen = 1,
    FixedDrive = 2,
    ComputerRoot = 3,
    ListedFolder = 4,
    ListedFolderOpen = 5,
    OtherDrive = 6,
    ListedFixedDrive = 7,
    ListedOtherDrive = 8,
};

// A node's application value: whether its subfolders were read.
constexpr LPARAM kNodeUnread = 0;
constexpr LPARAM kNodeRead = 1;

constexpr int kPathCapacity = 1000;      // CurrentPath and its working copy
constexpr int kTreeTextCapacity = 1024;  // a node's text as the tree code reads it
constexpr int kDriveStringsCapacity = 1024;
constexpr int kDriveTableSlots = 64;

extern HWND TreePane;
extern HTREEITEM RootNode;
extern char CurrentPath[kPathCapacity];
extern char PathWorkCopy[kPathCapacity];
extern HIMAGELIST TreeImages;

// A node is listed exactly when its image is one of the three listed pictures.
inline bool IsListedImage(int image) {
    return image == ListedFolder || image == ListedFixedDrive || image == ListedOtherDrive;
}

// Creates the tree pane (the left pane of the main window) at (0, 0).
HWND CreateTreePane(HWND parent, int width, int height);

void InitFolderTree();
void PopulateDrives();
// Walks down from the start folder, taking the first folder that can be entered at
// each level, to a folder without one; the root's reading searches that leaf.
void DescendToLeaf();
// The folder where the last DescendToLeaf ended (empty before).
const char* DescentLeaf();
// Reads the subfolders of the node (whose path CurrentPath holds) once and expands
// it; a folder that cannot be entered stays unread. The folders inserted take the
// given pair of images (a walk that marks them gives its own, which saves the control
// a change per folder).
void PopulateNode(HTREEITEM node, int image = FolderClosed, int selectedImage = FolderOpen);
// Sets CurrentPath (and the working copy) to the node's full path with a trailing
// backslash; true when it fits. Nothing on disk is asked.
bool FillNodePath(HTREEITEM node);
// FillNodePath, then whether that folder can be entered. The process current
// directory is never moved.
bool BuildNodePath(HTREEITEM node);

// The folders that the last call of PopulateNode inserted, each with whether its
// directory search reported it as a link (IsLinkFolder); empty when that call
// inserted nothing.
struct InsertedFolder {
    HTREEITEM node;
    bool link;
};
const std::vector<InsertedFolder>& LastInsertedFolders();
// Whether the search that read node's parent reported node as a link; false for the
// drives and the root.
bool ReadAsLink(HTREEITEM node);

// The window moved to a monitor of another scale: the tree's images and font for dpi.
void ScaleFolderTree(int dpi);
// Releases the image list and the font (at shutdown).
void ReleaseFolderTree();

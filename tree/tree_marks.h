// How the user works the folder tree: its three notifications, the node the tree
// commands act on, the folder menu and the listing marks.
#pragma once
#include <windows.h>
#include <commctrl.h>

extern HTREEITEM CurrentNode;
extern int NotifyGate;
// The four folder menu pictures (bitmaps 3004-3007), owned by the main window's
// start-up and shutdown.
extern HBITMAP FolderMenuPictures[4];

// Handles TVN_SELCHANGED, NM_CLICK and NM_RCLICK; ignores every other notification.
// owner receives the folder menu's command.
void HandleTreeNotify(const NMHDR* header, HWND owner);

// The folder menu for the selected node, as a right-click on it opens it, shown just
// below the node's label: for the keyboard (Shift+F10, the context-menu key).
void ShowFolderMenuOfSelection(HWND owner);

void ListFolder();
void UnListFolder();
// Reads, expands and marks (listing true) or unmarks every node below CurrentNode.
void MarkSubtree(bool listing);
// Reads a node's subfolders afresh; the marks below it are lost.
void RefreshNode(HTREEITEM node);

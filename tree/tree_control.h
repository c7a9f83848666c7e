// The node store: the calls on the tree-view control ("SysTreeView32") that the
// folder tree, its marks and the listing generator work through. The store keeps its
// own record of the nodes of the tree it was started on, and answers reads from it.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Starts the record of tree, which must be empty (a new tree pane); a tree not
// started so is asked about every node.
void TreeStartRecord(HWND tree);

// Inserts a node after the given one, or TVI_FIRST, TVI_LAST or TVI_SORT (before the
// first sibling whose text compares greater, lstrcmpW of the texts as the control
// holds them, after the last one that compares equal).
HTREEITEM TreeInsert(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text, int image,
                     int selectedImage);
// Reads a node's text into buffer (capacity bytes, cut to capacity - 1 characters).
void TreeGetText(HWND tree, HTREEITEM node, char* buffer, int capacity);
// Reads text and image in one request; returns the image.
int TreeGetTextAndImage(HWND tree, HTREEITEM node, char* buffer, int capacity);
int TreeGetImage(HWND tree, HTREEITEM node);
int TreeGetSelectedImage(HWND tree, HTREEITEM node);
void TreeSetImages(HWND tree, HTREEITEM node, int image, int selectedImage);
LPARAM TreeGetParam(HWND tree, HTREEITEM node);
void TreeSetParam(HWND tree, HTREEITEM node, LPARAM value);
HTREEITEM TreeFirstChild(HWND tree, HTREEITEM node);
HTREEITEM TreeNextSibling(HWND tree, HTREEITEM node);
HTREEITEM TreeParent(HWND tree, HTREEITEM node);
void TreeExpand(HWND tree, HTREEITEM node, UINT action);
bool TreeIsExpanded(HWND tree, HTREEITEM node);
void TreeSelect(HWND tree, HTREEITEM node);
void TreeDelete(HWND tree, HTREEITEM node);

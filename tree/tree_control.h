// The node store: thin calls on the tree-view control ("SysTreeView32") that the
// folder tree, its marks and the listing generator work through.
#pragma once
#include <windows.h>
#include <commctrl.h>

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

#include "tree/tree_control.h"

HTREEITEM TreeInsert(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text, int image,
                     int selectedImage) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

int TreeGetTextAndImage(HWND tree, HTREEITEM node, char* buffer, int capacity) {
    TVITEMA item = {};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = node;
    item.pszText = buffer;
    item.cchTextMax = capacity;
    buffer[0] = '\0';
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    buffer[capacity - 1] = '\0';
    return item.iImage;
}

void TreeGetText(HWND tree, HTREEITEM node, char* buffer, int capacity) {
    TreeGetTextAndImage(tree, node, buffer, capacity);
}

static TVITEMA GetImages(HWND tree, HTREEITEM node) {
    TVITEMA item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = node;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

int TreeGetImage(HWND tree, HTREEITEM node) {
    return GetImages(tree, node).iImage;
}

int TreeGetSelectedImage(HWND tree, HTREEITEM node) {
    return GetImages(tree, node).iSelectedImage;
}

void TreeSetImages(HWND tree, HTREEITEM node, int image, int selectedImage) {
    TVITEMA item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = node;
    item.iImage = image;
    item.iSelectedImage = selectedImage;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

LPARAM TreeGetParam(HWND tree, HTREEITEM node) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = node;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void TreeSetParam(HWND tree, HTREEITEM node, LPARAM value) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = node;
    item.lParam = value;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

static HTREEITEM Next(HWND tree, HTREEITEM node, WPARAM relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

HTREEITEM TreeFirstChild(HWND tree, HTREEITEM node) {
    return Next(tree, node, TVGN_CHILD);
}
HTREEITEM TreeNextSibling(HWND tree, HTREEITEM node) {
    return Next(tree, node, TVGN_NEXT);
}
HTREEITEM TreeParent(HWND tree, HTREEITEM node) {
    return Next(tree, node, TVGN_PARENT);
}

void TreeExpand(HWND tree, HTREEITEM node, UINT action) {
    SendMessageA(tree, TVM_EXPAND, action, reinterpret_cast<LPARAM>(node));
}

bool TreeIsExpanded(HWND tree, HTREEITEM node) {
    UINT state = static_cast<UINT>(
        SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED));
    return (state & TVIS_EXPANDED) != 0;
}

void TreeSelect(HWND tree, HTREEITEM node) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

void TreeDelete(HWND tree, HTREEITEM node) {
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
}

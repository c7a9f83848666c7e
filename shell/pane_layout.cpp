#include "shell/pane_layout.h"

#include "listing/listing_generator.h"
#include "tree/folder_tree.h"

int SplitX = 200;
int SplitterDrag = 0;

void LayoutPanes(int width, int height) {
    MoveWindow(TreePane, 0, 0, SplitX, height, TRUE);
    MoveWindow(ListingPane, SplitX + kSplitterGap, 0, width - (SplitX + kSplitterGap), height,
               TRUE);
}

bool OnSplitterGap(LPARAM position) {
    const int x = static_cast<short>(LOWORD(position));
    return x >= SplitX && x < SplitX + kSplitterGap;
}

void BeginSplitterDrag(HWND window, LPARAM position) {
    // The client area shows elsewhere too while a rebuild keeps the new pane hidden;
    // a press there is no drag.
    if (!OnSplitterGap(position))
        return;
    SetCapture(window);
    SplitterDrag = 1;
}

void DragSplitter(HWND window, LPARAM position) {
    if (SplitterDrag != 1)
        return;
    // Taken unsigned: a pointer left of the client area gives a large x and is ignored.
    const int x = static_cast<int>(static_cast<unsigned short>(LOWORD(position)));
    RECT client;
    GetClientRect(window, &client);
    if (!(x > 0 && x < client.right - kSplitterGap))
        return;
    SplitX = x - 1;
    MoveWindow(TreePane, 0, client.top, x - 1, client.bottom, TRUE);
    MoveWindow(ListingPane, x + 2, client.top, client.right - (x + 2), client.bottom, TRUE);
}

void EndSplitterDrag() {
    ReleaseCapture();
    SplitterDrag = 0;
}

void SplitterCaptureChanged(HWND window, HWND gaining) {
    if (gaining != window)
        SplitterDrag = 0;
}

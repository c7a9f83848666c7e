#include "shell/pane_layout.h"

#include "listing/listing_generator.h"
#include "base/display_scale.h"
#include "tree/folder_tree.h"

int SplitX = kFirstSplit;
int SplitterDrag = 0;
int PaneDpi = kBaseDpi;

int SplitterGap() {
    const int gap = ScaleToDpi(kSplitterGap, PaneDpi);
    return gap > kSplitterGap ? gap : kSplitterGap;
}

void StartPaneLayout(int dpi) {
    PaneDpi = dpi;
    SplitX = ScaleToDpi(kFirstSplit, dpi);
}

void ChangePaneDpi(int dpi) {
    if (dpi <= 0 || dpi == PaneDpi)
        return;
    SplitX = MulDiv(SplitX, dpi, PaneDpi);
    PaneDpi = dpi;
}

void LayoutPanes(int width, int height) {
    const int gap = SplitterGap();
    MoveWindow(TreePane, 0, 0, SplitX, height, TRUE);
    MoveWindow(ListingPane, SplitX + gap, 0, width - (SplitX + gap), height, TRUE);
}

bool OnSplitterGap(LPARAM position) {
    const int x = static_cast<short>(LOWORD(position));
    return x >= SplitX && x < SplitX + SplitterGap();
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
    // The pointer holds the gap at its middle pixel: at 96 DPI the tree ends one pixel
    // left of it and the listing pane starts two pixels right of it.
    const int gap = SplitterGap();
    const int grip = gap / 2;
    if (!(x > 0 && x < client.right - gap))
        return;
    SplitX = x > grip ? x - grip : 0;
    MoveWindow(TreePane, 0, client.top, SplitX, client.bottom, TRUE);
    MoveWindow(ListingPane, SplitX + gap, client.top, client.right - (SplitX + gap), client.bottom,
               TRUE);
}

void EndSplitterDrag() {
    ReleaseCapture();
    SplitterDrag = 0;
}

void SplitterCaptureChanged(HWND window, HWND gaining) {
    if (gaining != window)
        SplitterDrag = 0;
}

// The two panes side by side, the 3-pixel splitter gap between them, and dragging it.
#pragma once
#include <windows.h>

constexpr int kSplitterGap = 3;

extern int SplitX;        // the tree pane's width in pixels
extern int SplitterDrag;  // 1 while the splitter is dragged

void LayoutPanes(int width, int height);
// Whether a point of the main window's client area lies on the gap between the panes.
bool OnSplitterGap(LPARAM position);
// A press of the left button: starts a drag when it lands on the gap.
void BeginSplitterDrag(HWND window, LPARAM position);
void DragSplitter(HWND window, LPARAM position);
void EndSplitterDrag();
// WM_CAPTURECHANGED: when the mouse capture went to another window mid-drag (Alt+Tab,
// a window opening), the button release will not come here, so the drag ends now.
void SplitterCaptureChanged(HWND window, HWND gaining);

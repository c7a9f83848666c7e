// The two panes side by side, the splitter gap between them, and dragging it.
#pragma once
#include <windows.h>

// At 96 DPI: the gap between the panes and the tree pane's width at start-up. At
// another scale both are that scale's pixels (SplitterGap, StartPaneLayout).
constexpr int kSplitterGap = 3;
constexpr int kFirstSplit = 200;

extern int SplitX;        // the tree pane's width in pixels
extern int SplitterDrag;  // 1 while the splitter is dragged
extern int PaneDpi;       // the DPI the panes are laid out at

// The gap between the panes at PaneDpi, in pixels.
int SplitterGap();
// Start-up: the layout at the window's DPI, SplitX its first width.
void StartPaneLayout(int dpi);
// The window moved to a monitor of another scale: SplitX keeps its share of the
// window at the new DPI. The window's new size then lays out the panes.
void ChangePaneDpi(int dpi);

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

// The two panes side by side, the 3-pixel splitter gap between them, and dragging it.
#pragma once
#include <windows.h>

constexpr int kSplitterGap = 3;

extern int SplitX;        // the tree pane's width in pixels
extern int SplitterDrag;  // 1 while the splitter is dragged

void LayoutPanes(int width, int height);
void BeginSplitterDrag(HWND window);
void DragSplitter(HWND window, LPARAM position);
void EndSplitterDrag();

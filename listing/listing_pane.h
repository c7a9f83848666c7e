// The listing pane: the Rich Edit 2.0 control that holds the listing. Everything the
// program sets on the control when it is made is set in one place, so that a pane
// made later in its stead (the generator writes a big listing into a fresh control)
// is the same control to every other part of the program.
#pragma once
#include <windows.h>

extern HWND ListingPane;  // the live control; every part of the program goes through it

constexpr DWORD kListingPaneStyle = 0x54B04104;

// Makes a pane with the listing pane's class, style and owner at the given place and
// applies ConfigureListingPane to it. visible false leaves WS_VISIBLE off.
HWND CreateListingPane(HWND parent, int x, int y, int width, int height, bool visible = true);

// What the program sets on every listing pane: the text limit, the event mask and the
// clipboard hook.
void ConfigureListingPane(HWND pane);

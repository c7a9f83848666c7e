// Printing the listing pane, or its selection.
#pragma once
#include <windows.h>

void PrintListing(HWND owner);

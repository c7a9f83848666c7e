// Saving the listing pane as a Rich Text Format file.
#pragma once
#include <windows.h>

void SaveListing(HWND owner);

// Printing the listing pane, or its selection.
#pragma once
#include <windows.h>
#include <commdlg.h>

// Asks for a printer and prints the pane (or, when the user chose Selection and text
// is selected, only the selection) as one document named after the owner's title.
// Printing the whole text leaves the caret at the start of the pane.
void PrintListing(HWND owner);

// The print rectangle in twips, inside the printable area of horzRes x vertRes device
// units at dpiX x dpiY, with margins of 360 (left, right, top) and 302 (bottom).
// False when the device reports no size.
bool PrintRectangle(int horzRes, int vertRes, int dpiX, int dpiY, RECT& rect);

// The dialog call, replaceable by tests; null restores the platform's.
using PrintDialogCall = BOOL(WINAPI*)(PRINTDLGA*);
void UsePrintDialog(PrintDialogCall dialog);

// StartPage and EndPage, replaceable by measurements; null restores the platform's.
using PageCall = int(WINAPI*)(HDC);
void UsePageCalls(PageCall startPage, PageCall endPage);

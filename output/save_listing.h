// Saving the listing pane as a Rich Text Format file.
#pragma once
#include <windows.h>
#include <commdlg.h>

// The longest path the Save As dialog returns (MAX_PATH characters of up to three bytes
// each in the UTF-8 code page) fits, with room to spare.
constexpr int kSavePathCapacity = 1024;
constexpr int kSaveFolderCapacity = kSavePathCapacity;

// The folder the Save As dialog opens in: "c:\My Documents" at start, then the folder
// of the last file a save created (a failed save creates none). Lasts for one run.
extern char SaveFolder[kSaveFolderCapacity];

// Asks for a file name and writes the whole pane there as Rich Text Format, replacing
// any file of that name. The text is written beside it under a temporary name first,
// and takes the name only once it is whole, so a failed save leaves any file of that
// name as it was. A file that cannot be created or written, and a dialog that fails,
// are reported in a message box owned by owner; the pane is left as it was.
void SaveListing(HWND owner);

// The dialog and message calls, replaceable by tests; null restores the platform's.
using SaveDialogCall = BOOL(WINAPI*)(OPENFILENAMEA*);
using MessageBoxCall = int(WINAPI*)(HWND, const char*, const char*, UINT);
void UseSaveCalls(SaveDialogCall dialog, MessageBoxCall message);

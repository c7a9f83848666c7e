// Saving the listing pane as a Rich Text Format file.
#pragma once
#include <windows.h>
#include <commdlg.h>

constexpr int kSaveFolderCapacity = 256;

// The folder the Save As dialog opens in: "c:\My Documents" at start, then the folder
// of the last file a save created. Lasts for one run.
extern char SaveFolder[kSaveFolderCapacity];

// Asks for a file name and writes the whole pane there as Rich Text Format, replacing
// any file of that name. A file that cannot be created or written is reported in a
// message box owned by owner; the pane is left as it was.
void SaveListing(HWND owner);

// The dialog and message calls, replaceable by tests; null restores the platform's.
using SaveDialogCall = BOOL(WINAPI*)(OPENFILENAMEA*);
using MessageBoxCall = int(WINAPI*)(HWND, const char*, const char*, UINT);
void UseSaveCalls(SaveDialogCall dialog, MessageBoxCall message);

// The whole set-up: puts the product folder in place and makes its shortcuts.
#pragma once
#include <windows.h>

// The two calls the set-up makes that a test has to stand in for: the folder move
// (as MoveFileExA) and the one message to the user (as MessageBoxA). The program
// passes the system's own.
struct InstallCalls {
    BOOL(WINAPI* moveFolder)(LPCSTR from, LPCSTR to, DWORD flags);
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
};

// Exit codes of the set-up program.
enum InstallResult : int {
    kInstalled = 0,
    kNoProductFolder = 1,    // no product folder here (or one without its program), none installed
    kFolderNotInPlace = 2,   // c:\Kelvora could not be made or brought up to date
    kShortcutNotWritten = 3  // the program is in place; a shortcut could not be written
};

// Puts the folder "Kelvora" of the current directory in c:\Kelvora and writes
// "Kelvora.lnk" in the Programs folder of the user's Start menu and on the desktop.
//   - A folder on another volume is copied, and removed once the copy is whole.
//   - Over an earlier install the program's files are replaced; the user's
//     Kelvora.ini there is kept.
//   - Without a product folder, an installed program only gets its shortcuts again.
// On success nothing is shown. Any failure is told in one message box that names the
// folder or file and what to do; the result is the program's exit code.
int InstallMain(const InstallCalls& calls);

// The help page: start directory + "\help\index.html", opened with the shell's
// "open" verb.
#pragma once
#include <windows.h>

constexpr int kHelpPathCapacity = 1024;
extern char HelpPagePath[kHelpPathCapacity];

// Fixes HelpPagePath from the process current directory (once, at start-up).
void FixHelpPagePath();
// Opens the help page, maximised, in the desktop's viewer. When the page is missing or
// no viewer takes it, says so in a message box owned by owner (the main window).
void OpenHelpPage(HWND owner);

// The message box OpenHelpPage uses; tests put a stand-in in its place. nullptr goes
// back to MessageBoxA.
using HelpMessageCall = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void UseHelpMessage(HelpMessageCall call);

// What the entry point does once it has tried to create the main window.
#pragma once
#include <windows.h>

// The exit code of a run whose main window could not be created.
constexpr int kNoMainWindowExit = 2;

// Runs the message loop on window until WM_QUIT, then frees the Rich Edit library
// (when it was loaded); returns the process exit code. Without a window there is
// nothing to run and nothing that could ever post WM_QUIT: the loop is skipped and
// the run ends with kNoMainWindowExit.
int RunProgram(HWND window, HACCEL accelerators, HMODULE richEdit);

// The main window: its class, the start-up sequence, the message loop and shutdown.
#pragma once
#include <windows.h>

// The centred window rectangle that takes three quarters of each screen dimension.
RECT MainWindowRect(int screenWidth, int screenHeight);

// Registers the class and creates the main window (visible); its WM_CREATE runs the
// start-up sequence.
HWND CreateMainWindow(HINSTANCE instance);
// Runs the message loop until WM_QUIT; every message is offered to the accelerators
// first. Returns the final message's wParam.
WPARAM RunMessageLoop(HWND window, HACCEL accelerators);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

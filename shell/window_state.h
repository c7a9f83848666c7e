// The main window's state that the rest of the shell shares: the module and window
// handles, the accelerators and the title.
#pragma once
#include <windows.h>

#include "settings/current_filter.h"

// "Kelvora: " and the longest filter with its terminating zero.
constexpr int kTitleCapacity = sizeof "Kelvora: " - 1 + kFilterCapacity;

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HACCEL Accelerators;
extern char WindowTitle[kTitleCapacity];

// "Kelvora" + ": " + CurrentFilter, shown in the title bar.
void ResetTitle();

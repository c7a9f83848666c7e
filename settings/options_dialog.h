// The Options dialog (resource 1001): the ten listing options and the filter.
#pragma once
#include <windows.h>

// Runs the dialog modally; returns 1 after "OK" and 0 after "Cancel".
INT_PTR OptionsDialog(HWND owner);

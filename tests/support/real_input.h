// Real input for tests: what the system makes of a key as if the user pressed it.
#pragma once
#include <windows.h>

// Presses and releases key through SendInput.
void PressKey(WORD key);

// The Options dialog (resource 1001): the ten listing options and the filter.
#pragma once
#include <windows.h>

#include <cstdint>

// 1 while the text in the filter box's edit field was changed by the user and not yet
// applied or replaced by a selection from the list; 0 whenever the dialog is closed.
extern int32_t FilterEdited;

// Runs the dialog modally; returns 1 after "OK" and 0 after "Cancel". While it is open
// and shows no box of its own, it holds the system hot keys kHotKeyEscape (Esc, acts as
// "Cancel") and kHotKeyEnter (Enter, acts as "OK"), without modifiers.
INT_PTR OptionsDialog(HWND owner);

// The step shared by "OK" and "Apply" (dialog open): takes a pending typed filter into
// the list, after the user's consent, and copies the six boxes that are not case boxes
// into ListingOptions. Returns false, having applied nothing, when the typed extension
// was refused (a message box has said why); the typed text then stays pending. One that
// the settings file could not keep is said so and still taken, for this run only.
bool ApplyOptions(HWND dialog);

// Esc and Enter as system hot keys, held by the Options dialog and the About box for
// themselves while they are open.
#pragma once
#include <windows.h>

constexpr int kHotKeyEscape = 52992;  // VK_ESCAPE, no modifiers
constexpr int kHotKeyEnter = 52993;   // VK_RETURN, no modifiers

inline void HoldHotKeys(HWND dialog) {
    RegisterHotKey(dialog, kHotKeyEscape, 0, VK_ESCAPE);
    RegisterHotKey(dialog, kHotKeyEnter, 0, VK_RETURN);
}

inline void ReleaseHotKeys(HWND dialog) {
    UnregisterHotKey(dialog, kHotKeyEscape);
    UnregisterHotKey(dialog, kHotKeyEnter);
}

// Holds the keys when wanted and releases them when not, remembering in held which it
// last did, so that each is done once.
inline void HoldHotKeysWhen(HWND dialog, bool wanted, bool& held) {
    if (wanted == held)
        return;
    if (wanted)
        HoldHotKeys(dialog);
    else
        ReleaseHotKeys(dialog);
    held = wanted;
}

// The window's system keys (Alt+F4, Alt or F10 to the menu bar, Alt+Space for the
// system menu, Alt plus a menu letter) whichever pane has the keyboard focus.
//
// Some tree views (Wine's) take WM_SYSKEYDOWN into their own key handling and never
// hand it to DefWindowProc, so none of those keys act while the tree has the focus;
// others (Windows') hand every WM_SYSKEYDOWN on. The tree pane is therefore given a
// thin wrapper: a WM_SYSKEYDOWN of a key the tree does not use goes straight to
// DefWindowProc and never to the tree, and one of the tree's own keys goes to the tree
// and then to DefWindowProc as well, which for those keys only forgets a pending Alt
// (so a second pass on Windows changes nothing). Either way each system key acts once.
// WM_SYSKEYUP, WM_SYSCHAR and WM_SYSDEADCHAR reach DefWindowProc through every tree
// view and are left alone.
#pragma once
#include <windows.h>

// Wraps the tree pane's window procedure as told above, until the tree is destroyed.
void PassSystemKeysOn(HWND tree);

// The keys the tree view acts on by itself (moving, opening and closing nodes).
bool IsTreeKey(WPARAM key);

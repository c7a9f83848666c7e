// Menus, menu pictures and command dispatch of the main window.
#pragma once
#include <windows.h>
#include <commctrl.h>

constexpr int kMenuPictureCount = 11;
extern HBITMAP MenuPictures[kMenuPictureCount];  // bitmaps 3000-3010

// Loads the eleven menu pictures for dpi and attaches them to the main menu's items
// (and hands the four folder menu pictures to the tree); pictures attached before,
// for another scale, are released.
void AttachMenuPictures(HMENU mainMenu, int dpi);
void ReleaseMenuPictures();

// True for the commands after which the listing is rebuilt.
bool CommandRebuildsListing(int command);
// Carries out one command of the menus and accelerators.
void DispatchCommand(int command);

// Shows the Edit menu at the cursor when the notification is the text pane's right
// click; true when it was that notification.
bool ShowEditMenuOnPaneRightClick(const NMHDR* header);
// WM_CONTEXTMENU from the keyboard (Shift+F10, the context-menu key; position -1):
// the folder menu of the selected node when the tree has the focus, the Edit menu at
// the caret when the listing pane has it. One from the mouse is left alone.
void ShowMenuForKeyboard(LPARAM position);

// The real main window, started in a fresh start directory, with helpers to walk
// the tree and to watch the commands that reach the window.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Selects each node from the drive down to the folder, as arrow keys would:
    // every unread folder on the way is read and expanded.
    HTREEITEM OpenFolder(const std::string& path);
    // Moves the cursor over a node (its label) and returns the point in screen terms.
    POINT PointAt(HTREEITEM node);
    // A real left or right click on the tree at the node, through the tree control.
    void ClickNode(HTREEITEM node, bool right);
    // Handles waiting messages.
    static void Pump();
    std::string Title();
    void TypeIntoPane(const char* text);
    bool PaneHas(const char* text);

    TempFolder start;
    // Lets the commands Print, Save As, Options, Help and About open their dialogs (by
    // default the fixture only records them).
    void LetDialogsOpen();

    std::vector<int> commands;  // WM_COMMAND ids that reached the main window
};

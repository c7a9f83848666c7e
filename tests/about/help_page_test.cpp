// The help command against the real start-up: the page is the one of the directory
// the program started in, wherever the folder tree has taken the current directory
// since.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/help_page.h"
#include "about/shell_open.h"
#include "listing/text_styles.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "support/panes.h"
#include "support/temp_folder.h"
#include "tree/folder_tree.h"

namespace {

std::vector<std::string> opened;

void RecordOpen(const char* target) {
    opened.push_back(target);
}

std::string CurrentDirectory() {
    char path[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof path, path);
    return path;
}

// Paths compare without regard to case, as the file system does.
::testing::AssertionResult SamePath(const std::string& actual, const std::string& expected) {
    if (_stricmp(actual.c_str(), expected.c_str()) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << actual << "\" is not \"" << expected << "\"";
}

class HelpPage : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        UseShellOpen(RecordOpen);
        startedIn_ = CurrentDirectory();
    }
    void TearDown() override {
        UseShellOpen(nullptr);
        SetCurrentDirectoryA(startedIn_.c_str());
    }

    // Starts the program's main window in a directory, then has the tree take the
    // current directory into another folder, as a click on a folder does.
    void StartIn(const std::string& directory, const std::string& elsewhere) {
        ASSERT_TRUE(SetCurrentDirectoryA(directory.c_str()));
        FontDialogGate = 0;  // a fresh process's start-up shows no font dialog
        window_ = CreateMainWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(BuildNodePath(AddPathNodes(elsewhere)));
        ASSERT_TRUE(SamePath(CurrentDirectory(), elsewhere));
    }

    std::string AskForHelp() {
        opened.clear();
        SendMessageA(window_, WM_COMMAND, IDC_HELP_PAGE, 0);
        return opened.size() == 1 ? opened[0] : "(" + std::to_string(opened.size()) + " opened)";
    }

    void Close() {
        DestroyWindow(window_);
        window_ = nullptr;
        // The main window ends the message loop as it goes; this loop is the test's.
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    std::string startedIn_;
    HWND window_ = nullptr;
};

TEST_F(HelpPage, StaysInTheStartDirectoryWhenTheTreeMovesTheCurrentDirectory) {
    TempFolder start;
    TempFolder browsed;
    browsed.MakeFolder("Music");
    StartIn(start.Path(), browsed / "Music");

    EXPECT_TRUE(SamePath(AskForHelp(), start / "help\\index.html"));
    SetCurrentDirectoryA(browsed.Path().c_str());
    EXPECT_TRUE(SamePath(AskForHelp(), start / "help\\index.html"));
    Close();
}

TEST_F(HelpPage, EachStartTakesThePageFromItsOwnStartDirectory) {
    TempFolder first;
    TempFolder second;
    StartIn(first.Path(), second.Path());
    EXPECT_TRUE(SamePath(AskForHelp(), first / "help\\index.html"));
    Close();

    // Started again from the folder the first run ended in: that is now the start.
    StartIn(second.Path(), first.Path());
    EXPECT_TRUE(SamePath(AskForHelp(), second / "help\\index.html"));
    Close();
}

TEST_F(HelpPage, DriveRootStartGetsOneBackslash) {
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\"));
    FixHelpPagePath();
    EXPECT_TRUE(SamePath(HelpPagePath, "Z:\\help\\index.html"));
    OpenHelpPage();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(SamePath(opened[0], "Z:\\help\\index.html"));
}

}  // namespace

// The help command against the real start-up: the page is the one of the directory
// the program started in, wherever the folder tree has taken the current directory
// since.
#include <windows.h>
#include <shellapi.h>

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
int openResult = 42;  // what the shell answers: above 32, a viewer took the page

int RecordOpen(const char* target) {
    opened.push_back(target);
    return openResult;
}

struct Message {
    HWND owner;
    std::string text;
};
std::vector<Message> messages;

int WINAPI RecordMessage(HWND owner, LPCSTR text, LPCSTR, UINT) {
    messages.push_back({owner, text});
    return IDOK;
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
        messages.clear();
        openResult = 42;
        UseShellOpen(RecordOpen);
        UseHelpMessage(RecordMessage);
        startedIn_ = CurrentDirectory();
    }
    void TearDown() override {
        UseShellOpen(nullptr);
        UseHelpMessage(nullptr);
        SetCurrentDirectoryA(startedIn_.c_str());
    }

    // Starts the program's main window in a directory that has the help page, reads a
    // folder elsewhere into the tree, then moves the current directory there, as
    // anything else in the process might.
    void StartIn(const std::string& directory, const std::string& elsewhere, bool withPage = true) {
        if (withPage)
            WriteHelpPage(directory);
        ASSERT_TRUE(SetCurrentDirectoryA(directory.c_str()));
        FontDialogGate = 0;  // a fresh process's start-up shows no font dialog
        window_ = CreateMainWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(BuildNodePath(AddPathNodes(elsewhere)));
        ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
        ASSERT_TRUE(SamePath(CurrentDirectory(), elsewhere));
    }

    static void WriteHelpPage(const std::string& directory) {
        CreateDirectoryA((directory + "\\help").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(directory + "\\help\\index.html", "<html></html>"));
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

TEST_F(HelpPage, DriveRootAndLongStartFoldersGetOneBackslash) {
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\"));
    FixHelpPagePath();
    EXPECT_TRUE(SamePath(HelpPagePath, "Z:\\help\\index.html"));
    OpenHelpPage(nullptr);  // there is no page there: the box names the file looked for
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("Z:\\help\\index.html"), std::string::npos) << messages[0].text;

    // A start folder of 260 bytes and more: 90 Japanese letters in the UTF-8 code page.
    TempFolder start;
    std::string letters;
    for (int i = 0; i < 45; ++i)
        letters += "\xE3\x81\x82";
    start.MakeFolder(letters + "\\" + letters);
    const std::string deep = start / (letters + "\\" + letters);
    ASSERT_GE(deep.size(), 260u);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    FixHelpPagePath();
    EXPECT_TRUE(SamePath(HelpPagePath, deep + "\\help\\index.html"));
    SetCurrentDirectoryA(startedIn_.c_str());
}

// A missing page, or one that no program opens, is said in a box over the main window
// that names the file.
TEST_F(HelpPage, SaysWhenThePageIsMissingOrNoProgramOpensIt) {
    TempFolder start;
    StartIn(start.Path(), start.Path(), false);
    const std::string page = start / "help\\index.html";
    auto said = [&](const std::string& part) {
        return messages.size() == 1 && messages[0].owner == window_ &&
               messages[0].text.find(page) != std::string::npos &&
               messages[0].text.find(part) != std::string::npos;
    };
    EXPECT_EQ(AskForHelp(), "(0 opened)");
    EXPECT_TRUE(said("missing")) << (messages.empty() ? "no message" : messages[0].text);

    WriteHelpPage(start.Path());
    for (int refusal : {SE_ERR_NOASSOC, SE_ERR_ACCESSDENIED}) {
        messages.clear();
        openResult = refusal;
        EXPECT_TRUE(SamePath(AskForHelp(), page));
        EXPECT_TRUE(said("could not be opened"))
            << (messages.empty() ? "no message" : messages[0].text);
    }
    messages.clear();
    openResult = 42;
    EXPECT_TRUE(SamePath(AskForHelp(), page));
    EXPECT_TRUE(messages.empty());
    Close();
}

}  // namespace

// What the save and print tests share: a listing written into the pane in the two
// text styles, Linux programs run from the Wine side (the independent readers of the
// saved and printed files), and the folders the test set-up prepared.
#pragma once
#include <windows.h>
#include <richedit.h>

#include <string>
#include <vector>

struct ListingLine {
    bool heading;
    std::string text;
};

constexpr COLORREF kHeadingColour = RGB(192, 0, 0);
constexpr COLORREF kItemColour = RGB(0, 0, 160);

// Replaces the pane's text with a listing: an empty first paragraph, then each line,
// headings bold in kHeadingColour (and indented by four blanks), items in kItemColour.
void WriteListing(HWND pane, const std::vector<ListingLine>& lines);
// n folders of `items` items each: "Folder 1", "item 1.1 track.mp3", ...
std::vector<ListingLine> MakeListing(int folders, int items);
// The words of the lines, in order.
std::vector<std::string> Words(const std::vector<ListingLine>& lines);
std::vector<std::string> Words(const std::string& text);

CHARRANGE Selection(HWND pane);
void SetSelection(HWND pane, LONG from, LONG to);

// Runs a shell script on the Linux side (Wine starts native programs); returns its
// exit code and, in output, what it wrote to stdout and stderr.
int RunLinux(const std::string& script, std::string* output = nullptr);
// Z:\tmp\x <-> /tmp/x
std::string LinuxPath(const std::string& windowsPath);
std::string WindowsPath(const std::string& linuxPath);
// Quoted for the shell.
std::string Quote(const std::string& text);

// A Linux folder named by an environment variable of the test run, as a Windows path;
// empty when the variable is not set.
std::string FolderFromEnvironment(const char* name);

// The first top-level dialog of this thread whose caption is `caption`; null if none.
HWND FindDialog(const char* caption);
// The texts of a window's children, joined by "|".
std::string ChildTexts(HWND window);

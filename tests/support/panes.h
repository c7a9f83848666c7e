// A test window holding a real tree view and a real Rich Edit pane, wired as the
// program's TreePane and ListingPane, and readers for what the pane shows.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class TestPanes {
public:
    TestPanes();
    ~TestPanes();
    TestPanes(const TestPanes&) = delete;
    TestPanes& operator=(const TestPanes&) = delete;

    HWND window() const { return window_; }

private:
    HWND window_;
};

// Finds the child of parent whose text is name; null when there is none.
HTREEITEM FindChild(HTREEITEM parent, const std::string& name);
// Inserts (sorted) the chain of nodes for an absolute folder path such as
// Z:\tmp\x\y under RootNode, reusing nodes that exist; returns the last one.
HTREEITEM AddPathNodes(const std::string& path);
std::string NodeText(HTREEITEM node);
std::vector<std::string> ChildTexts(HTREEITEM parent);

struct Paragraph {
    std::string text;  // UTF-8
    bool bold;
    bool italic;
    std::string face;
    LONG height;  // twips
    COLORREF colour;
};

// The pane's paragraphs with the character format of each (of its text, or of its
// paragraph mark when it is empty). The text after the last break is a paragraph too.
std::vector<Paragraph> ReadParagraphs(HWND pane);
// The pane's whole text as UTF-8, breaks as "\r".
std::string PaneText(HWND pane);
// The entries of a folder matching a pattern that are files, in the order the
// directory search reports them.
std::vector<std::string> FilesInSearchOrder(const std::string& folder, const std::string& pattern);
// What window shows in rect, as drawn on the screen (the window painted first): a row
// of '#' (dark) and '.' (light) per line of pixels.
std::string DrawnPixels(HWND window, const RECT& rect);
// The cells of the pane's characters at and after index: from each one's left edge to
// the next one's, over the height of its line.
RECT PaneCharCell(HWND pane, LONG index);
// UTF-8 <-> UTF-16 helpers.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// Calls action from a thread timer every 50 ms until it returns true (it found the menu
// or dialog box it acts on); runs inside the modal loops that the code under test
// opens. After 30 s it gives up: it records a failure and ends every menu and dialog
// box of this thread, so that the test goes on instead of hanging until the test
// program's timeout.
void WhileModal(std::function<bool()> action);

// The window's system keys act once, whichever pane has the keyboard focus.
#include <richedit.h>

#include <map>
#include <ostream>
#include <vector>

#include "listing/listing_generator.h"
#include "main_window_fixture.h"
#include "shell/window_state.h"
#include "tree/folder_tree.h"

namespace {

struct SystemCommand {
    WPARAM command;
    LPARAM key;
    bool operator==(const SystemCommand& other) const {
        return command == other.command && key == other.key;
    }
};

void PrintTo(const SystemCommand& c, std::ostream* out) {
    *out << (c.command == SC_CLOSE ? "SC_CLOSE" : "SC_KEYMENU") << " " << c.key;
}

// Records the menu and close commands that reach any of the watched windows, and stops
// them there, so that no menu loop starts and the window stays open.
std::vector<SystemCommand> seen;
std::map<HWND, WNDPROC> watched;

LRESULT CALLBACK Witness(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND &&
        ((wParam & 0xFFF0) == SC_KEYMENU || (wParam & 0xFFF0) == SC_CLOSE)) {
        seen.push_back({wParam & 0xFFF0, lParam});
        return 0;
    }
    return CallWindowProcA(watched[window], window, message, wParam, lParam);
}

void WatchWindow(HWND window) {
    watched[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Witness)));
}

void UnwatchAll() {
    for (const auto& entry : watched)
        SetWindowLongPtrA(entry.first, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.second));
    watched.clear();
}

// One keyboard message as the message loop hands it to the focused window.
struct Key {
    UINT message;
    WPARAM key;
    LPARAM data;
};

constexpr LPARAM kAltHeld = 0x20000000;
constexpr LPARAM kRelease = static_cast<LPARAM>(0xC0000000);
const Key kAltDown = {WM_SYSKEYDOWN, VK_MENU, kAltHeld | 0x00380001};
const Key kAltUp = {WM_SYSKEYUP, VK_MENU, kRelease | 0x00380001};

Key Down(WPARAM key, LPARAM scan) {
    return {WM_SYSKEYDOWN, key, kAltHeld | (scan << 16) | 1};
}
Key Up(WPARAM key, LPARAM scan) {
    return {WM_SYSKEYUP, key, kAltHeld | kRelease | (scan << 16) | 1};
}
Key Char(WPARAM ch, LPARAM scan) {
    return {WM_SYSCHAR, ch, kAltHeld | (scan << 16) | 1};
}

struct Case {
    const char* name;
    std::vector<Key> keys;
    std::vector<SystemCommand> expected;
};

}  // namespace

TEST_F(MainWindowTest, SystemKeysActOnceWhicheverPaneHasTheFocus) {
    const std::vector<Case> cases = {
        {"Alt+F4", {kAltDown, Down(VK_F4, 0x3E), Up(VK_F4, 0x3E), kAltUp}, {{SC_CLOSE, 0}}},
        {"Alt alone", {kAltDown, kAltUp}, {{SC_KEYMENU, 0}}},
        {"F10",
         {{WM_SYSKEYDOWN, VK_F10, 0x00440001}, {WM_SYSKEYUP, VK_F10, kRelease | 0x00440001}},
         {{SC_KEYMENU, 0}}},
        {"Alt+Space",
         {kAltDown, Down(VK_SPACE, 0x39), Char(' ', 0x39), Up(VK_SPACE, 0x39), kAltUp},
         {{SC_KEYMENU, ' '}}},
        {"Alt+F",
         {kAltDown, Down('F', 0x21), Char('f', 0x21), Up('F', 0x21), kAltUp},
         {{SC_KEYMENU, 'f'}}},
        // A key of the tree's own with Alt held: the released Alt then opens nothing.
        {"Alt+Down", {kAltDown, Down(VK_DOWN, 0x50), Up(VK_DOWN, 0x50), kAltUp}, {}},
    };
    WatchWindow(MainWindow);
    WatchWindow(TreePane);
    WatchWindow(ListingPane);
    for (HWND pane : {TreePane, ListingPane}) {
        for (const Case& c : cases) {
            SetFocus(pane);
            Pump();
            seen.clear();
            for (const Key& k : c.keys) {
                SendMessageA(pane, k.message, k.key, k.data);
                Pump();
            }
            EXPECT_EQ(seen, c.expected)
                << c.name << " with the focus in the " << (pane == TreePane ? "tree" : "listing");
        }
    }
    UnwatchAll();
    EXPECT_TRUE(IsWindow(MainWindow));
}

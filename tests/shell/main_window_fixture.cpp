#include "main_window_fixture.h"

#include <richedit.h>

#include "resources/resource_ids.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/text_styles.h"
#include "settings/current_filter.h"
#include "shell/main_window.h"
#include "shell/pane_layout.h"
#include "shell/window_state.h"
#include "support/panes.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"
#include "tree/tree_marks.h"

namespace {

MainWindowTest* active = nullptr;
WNDPROC originalProc = nullptr;
std::vector<int>* recorded = nullptr;
bool swallow = true;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && active) {
        int id = LOWORD(wParam);
        if (id != 0) {
            if (recorded)
                recorded->push_back(id);
            if (swallow && (id == IDC_PRINT || id == IDC_SAVE_AS || id == IDC_OPTIONS ||
                            id == IDC_HELP_PAGE || id == IDC_ABOUT))
                return 0;
        }
    }
    return CallWindowProcA(originalProc, window, message, wParam, lParam);
}

}  // namespace

void MainWindowTest::SetUp() {
    SetCurrentDirectoryA(start.Path().c_str());
    ListingOptions = kDefaultListingOptions;
    FontDialogGate = 0;
    NotifyGate = 1;
    CurrentNode = nullptr;
    CreateMainWindow(GetModuleHandleA(nullptr));
    Accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(MainWindow, nullptr);
    active = this;
    recorded = &commands;
    swallow = true;
    originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch)));
    Pump();
}

void MainWindowTest::TearDown() {
    if (MainWindow && IsWindow(MainWindow))
        DestroyWindow(MainWindow);
    // Drop the quit message that shutdown posts, so later modal loops run.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    active = nullptr;
    recorded = nullptr;
    MainWindow = nullptr;
    UseStyleDialogs(nullptr, nullptr);
}

void MainWindowTest::LetDialogsOpen() {
    swallow = false;
}

void MainWindowTest::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HTREEITEM MainWindowTest::OpenFolder(const std::string& path) {
    HTREEITEM at = FindChild(RootNode, path.substr(0, 3));
    EXPECT_NE(at, nullptr) << path;
    if (!at)
        return nullptr;
    TreeSelect(TreePane, at);
    size_t from = 3;
    while (from < path.size()) {
        size_t to = path.find('\\', from);
        if (to == std::string::npos)
            to = path.size();
        at = FindChild(at, path.substr(from, to - from));
        EXPECT_NE(at, nullptr) << path.substr(from, to - from);
        if (!at)
            return nullptr;
        TreeSelect(TreePane, at);
        from = to + 1;
    }
    Pump();
    return at;
}

POINT MainWindowTest::PointAt(HTREEITEM node) {
    SendMessageA(TreePane, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
    RECT r = {};
    TreeView_GetItemRect(TreePane, node, &r, TRUE);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    POINT screen = p;
    ClientToScreen(TreePane, &screen);
    SetCursorPos(screen.x, screen.y);
    return p;
}

void MainWindowTest::ClickNode(HTREEITEM node, bool right) {
    POINT p = PointAt(node);
    LPARAM at = MAKELPARAM(p.x, p.y);
    // The tree tracks the button until it is released: queue the release first.
    PostMessageA(TreePane, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
    SendMessageA(TreePane, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON,
                 at);
    Pump();
}

std::string MainWindowTest::Title() {
    char text[128];
    GetWindowTextA(MainWindow, text, sizeof text);
    return text;
}

void MainWindowTest::TypeIntoPane(const char* text) {
    SendMessageA(ListingPane, EM_SETSEL, 0, 0);
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

bool MainWindowTest::PaneHas(const char* text) {
    return PaneText(ListingPane).find(text) != std::string::npos;
}

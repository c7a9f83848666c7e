#include "shell/main_window.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>

#include "about/help_page.h"
#include "base/long_work.h"
#include "listing/listing_generator.h"
#include "listing/text_styles.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "shell/commands.h"
#include "base/display_scale.h"
#include "shell/pane_layout.h"
#include "shell/system_keys.h"
#include "shell/window_state.h"
#include "tree/folder_tree.h"
#include "tree/tree_marks.h"

namespace {

const char kClassName[] = "Kelvora";

// Whether the listing pane had the keyboard focus when the window was last
// deactivated: that pane gets the focus back when the window is activated again
// (after a dialog, say), else the tree does. A flag, not a handle: a rebuild may put
// a new control in the listing pane's place meanwhile.
bool ListingHadFocus = false;

// Whether StartUp's OleInitialize succeeded, so that it is balanced once the last
// pane is gone.
bool OleStarted = false;

void StartUp(HWND window) {
    MainWindow = window;
    ShowLongWorkIn(window, WindowTitle);
    ListingHadFocus = false;
    // The listing pane hands the clipboard and drag and drop through OLE, which must be
    // initialised on this thread before the panes exist.
    OleStarted = SUCCEEDED(OleInitialize(nullptr));
    FixSettingsFilePath();
    FixHelpPagePath();
    LoadExtensionList();
    ResetTitle();
    const int dpi = WindowDpi(window);
    AttachMenuPictures(GetMenu(window), dpi);
    SetUpTextStyles(window);

    RECT client;
    GetClientRect(window, &client);
    StartPaneLayout(dpi);
    CreateTreePane(window, SplitX, client.bottom);
    PassSystemKeysOn(TreePane);
    ListingPane = CreateListingPane(window, SplitX + SplitterGap(), 0,
                                    client.right - (SplitX + SplitterGap()), client.bottom);
    InitFolderTree();
    // A window made on a monitor of another scale than the system's: the tree's font
    // for the window's (the images are made for it already).
    if (dpi != ScreenDpi())
        ScaleFolderTree(dpi);
    ReportUncreatedSettingsFile(window);
}

// WM_DPICHANGED: the window went to a monitor of another scale (or the scale was
// changed). Everything drawn at the former scale is made again at dpi, and the window
// takes the rectangle Windows suggests, which lays out the panes again.
void ChangeWindowDpi(HWND window, int dpi, const RECT* suggested) {
    ChangePaneDpi(dpi);
    ScaleFolderTree(dpi);
    AttachMenuPictures(GetMenu(window), dpi);
    if (suggested != nullptr) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(window, &client);
    LayoutPanes(client.right, client.bottom);
}

void RememberPaneFocus() {
    HWND focus = GetFocus();
    if (focus != nullptr && (focus == TreePane || focus == ListingPane))
        ListingHadFocus = focus == ListingPane;
}

void RestorePaneFocus() {
    HWND pane = ListingHadFocus ? ListingPane : TreePane;
    if (pane != nullptr && IsWindow(pane))
        SetFocus(pane);
}

void ShutDown() {
    ShowLongWorkIn(nullptr, nullptr);
    ReleaseMenuPictures();
    ReleaseFolderTree();
    PostQuitMessage(0);
}

// The panes are gone (a pending copy was flushed to the clipboard as the listing pane
// went): OLE can be left.
void LeaveOle() {
    if (OleStarted)
        OleUninitialize();
    OleStarted = false;
}

}  // namespace

RECT MainWindowRect(int screenWidth, int screenHeight) {
    RECT r;
    r.left = (screenWidth / 4) / 2;
    r.top = (screenHeight / 4) / 2;
    r.right = r.left + (screenWidth - screenWidth / 4);
    r.bottom = r.top + (screenHeight - screenHeight / 4);
    return r;
}

HWND CreateMainWindow(HINSTANCE instance) {
    AppInstance = instance;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVORA));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorA(nullptr, IDC_SIZEWE);  // the splitter
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);

    RECT r = MainWindowRect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "Kelvora",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    // The tree takes the focus while the window is being made, before it is shown,
    // which makes it the active window unseen; Wine then goes on drawing its caption
    // as inactive. Draw the caption as the window is.
    if (window != nullptr && GetActiveWindow() == window)
        DefWindowProcA(window, WM_NCACTIVATE, TRUE, 0);
    return window;
}

WPARAM RunMessageLoop(HWND window, HACCEL accelerators) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(window, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return msg.wParam;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            StartUp(window);
            return 0;
        case WM_DESTROY:
            ShutDown();
            return 0;
        case WM_NCDESTROY:
            LeaveOle();
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SIZE:
            LayoutPanes(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_DPICHANGED:
            ChangeWindowDpi(window, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                RememberPaneFocus();
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SETFOCUS:
            RestorePaneFocus();
            return 0;
        case WM_LBUTTONDOWN:
            BeginSplitterDrag(window, lParam);
            return 0;
        case WM_MOUSEMOVE:
            DragSplitter(window, lParam);
            return 0;
        case WM_LBUTTONUP:
            EndSplitterDrag();
            return 0;
        case WM_CAPTURECHANGED:
            SplitterCaptureChanged(window, reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_COMMAND:
            DispatchCommand(LOWORD(wParam));
            return 0;
        case WM_CONTEXTMENU:
            ShowMenuForKeyboard(lParam);
            return 0;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!ShowEditMenuOnPaneRightClick(header))
                HandleTreeNotify(header, window);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

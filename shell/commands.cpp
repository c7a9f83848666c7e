#include "shell/commands.h"

#include <richedit.h>

#include "about/about_box.h"
#include "about/help_page.h"
#include "base/gate.h"
#include "base/display_scale.h"
#include "base/long_work.h"
#include "listing/listing_generator.h"
#include "listing/text_styles.h"
#include "output/print_listing.h"
#include "output/save_listing.h"
#include "resources/resource_ids.h"
#include "settings/options_dialog.h"
#include "shell/window_state.h"
#include "tree/folder_tree.h"
#include "tree/tree_marks.h"

HBITMAP MenuPictures[kMenuPictureCount] = {};

namespace {

HBITMAP Picture(int id) {
    return MenuPictures[id - IDB_MENU_ABOUT];
}

// Shows the wait cursor while long work runs, and restores the previous one.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

void SendToPane(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    SendMessageA(ListingPane, message, wParam, lParam);
}

// A colour command: the colour dialog, then the style rebuilt without the font dialog.
void ChangeStyleColour(TextStyle& style) {
    PickColour(style.colour);
    GateClosed noFontDialog(FontDialogGate);
    ApplyTextStyle(style);
}

}  // namespace

void AttachMenuPictures(HMENU mainMenu, int dpi) {
    // The pictures take the place of the check mark, so they are drawn at its size.
    static const int kPictureWidths[kPictureSizes] = {13, 16, 20};
    const PictureChoice choice = ChoosePicture(MetricForDpi(SM_CXMENUCHECK, dpi), kPictureWidths);
    HBITMAP previous[kMenuPictureCount];
    for (int i = 0; i < kMenuPictureCount; ++i) {
        previous[i] = MenuPictures[i];
        MenuPictures[i] = LoadPicture(AppInstance, IDB_MENU_ABOUT + i, choice);
    }
    static const int kItems[][2] = {
        {IDC_SAVE_AS, IDB_MENU_SAVE},     {IDC_PRINT, IDB_MENU_PRINT},
        {IDC_ITEM_FONT, IDB_MENU_FONT},   {IDC_FOLDER_FONT, IDB_MENU_FONT},
        {IDC_ITEM_COLOR, IDB_MENU_COLOR}, {IDC_FOLDER_COLOR, IDB_MENU_COLOR},
        {IDC_OPTIONS, IDB_MENU_OPTIONS},  {IDC_HELP_PAGE, IDB_MENU_HELP},
        {IDC_ABOUT, IDB_MENU_ABOUT},
    };
    for (const auto& item : kItems) {
        SetMenuItemBitmaps(mainMenu, item[0], MF_BYCOMMAND, Picture(item[1]), Picture(item[1]));
    }
    for (int i = 0; i < 4; ++i)
        FolderMenuPictures[i] = Picture(IDB_MENU_LIST + i);
    // The menu holds the new pictures now: the ones for the former scale can go.
    for (HBITMAP picture : previous) {
        if (picture)
            DeleteObject(picture);
    }
}

void ReleaseMenuPictures() {
    for (HBITMAP& picture : MenuPictures) {
        if (picture)
            DeleteObject(picture);
        picture = nullptr;
    }
    for (HBITMAP& picture : FolderMenuPictures)
        picture = nullptr;
}

namespace {

// The commands that change the marks in the tree, without a dialog.
bool IsMarkCommand(int command) {
    switch (command) {
        case IDC_LIST_FOLDER:
        case IDC_UNLIST_FOLDER:
        case IDC_LIST_SUBFOLDERS:
        case IDC_UNLIST_SUBFOLDERS:
        case IDC_REFRESH:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CommandRebuildsListing(int command) {
    switch (command) {
        case IDC_ITEM_FONT:
        case IDC_FOLDER_FONT:
        case IDC_ITEM_COLOR:
        case IDC_FOLDER_COLOR:
            return true;
        default:
            return IsMarkCommand(command);
    }
}

namespace {

void RunCommand(int command) {
    switch (command) {
        case IDC_PRINT:
            PrintListing(MainWindow);
            break;
        case IDC_SAVE_AS:
            SaveListing(MainWindow);
            break;
        case IDC_EXIT:
            SendMessageA(MainWindow, WM_CLOSE, 0, 0);
            break;
        case IDC_UNDO:
            SendToPane(WM_UNDO);
            break;
        case IDC_CUT:
            SendToPane(WM_CUT);
            break;
        case IDC_COPY:
            SendToPane(WM_COPY);
            break;
        case IDC_PASTE:
            SendToPane(WM_PASTE);
            break;
        case IDC_DELETE:
            SendToPane(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
            break;
        case IDC_SELECT_ALL:
            SendToPane(EM_SETSEL, 0, -1);
            break;
        case IDC_HELP_PAGE:
            OpenHelpPage(MainWindow);
            break;
        case IDC_ABOUT:
            AboutDialog(MainWindow);
            break;
        case IDC_ITEM_FONT:
            ApplyTextStyle(ItemStyle);
            break;
        case IDC_FOLDER_FONT:
            ApplyTextStyle(FolderStyle);
            break;
        case IDC_ITEM_COLOR:
            ChangeStyleColour(ItemStyle);
            break;
        case IDC_FOLDER_COLOR:
            ChangeStyleColour(FolderStyle);
            break;
        case IDC_LIST_FOLDER:
            ListFolder();
            break;
        case IDC_UNLIST_FOLDER:
            UnListFolder();
            break;
        case IDC_LIST_SUBFOLDERS:
        case IDC_UNLIST_SUBFOLDERS: {
            WaitCursor wait;
            MarkSubtree(command == IDC_LIST_SUBFOLDERS);
            break;
        }
        case IDC_REFRESH:
            RefreshNode(CurrentNode);
            break;
        case IDC_OPTIONS:
            OptionsDialog(MainWindow);
            ResetTitle();
            break;
        default:
            break;
    }
}

void RunCommandAndRebuild(int command) {
    RunCommand(command);
    if (CommandRebuildsListing(command)) {
        WaitCursor wait;
        RegenerateListing();
    }
}

}  // namespace

void DispatchCommand(int command) {
    // A mark command and the rebuild after it are one piece of work to the user. No
    // span is open while a dialog is: the work a dialog starts (a rebuild, printing)
    // opens its own, so the title shows progress only while that work runs.
    if (IsMarkCommand(command)) {
        LongWork work;
        RunCommandAndRebuild(command);
    } else {
        RunCommandAndRebuild(command);
    }
}

namespace {

void ShowEditMenu(POINT at) {
    TrackPopupMenu(GetSubMenu(GetMenu(MainWindow), 1), TPM_RIGHTBUTTON, at.x, at.y, 0, MainWindow,
                   nullptr);
}

// The Edit menu at the pane's caret, or at the pane's top left corner when the caret
// is out of sight.
void ShowEditMenuAtCaret() {
    CHARRANGE selection = {};
    SendMessageA(ListingPane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINTL caret = {};
    SendMessageA(ListingPane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), selection.cpMax);
    RECT client;
    GetClientRect(ListingPane, &client);
    POINT at = {caret.x, caret.y};
    if (!PtInRect(&client, at))
        at = {client.left, client.top};
    ClientToScreen(ListingPane, &at);
    ShowEditMenu(at);
}

}  // namespace

void ShowMenuForKeyboard(LPARAM position) {
    // A right-click opens its menu from the control's own notification.
    if (position != -1)
        return;
    HWND focus = GetFocus();
    if (focus == TreePane)
        ShowFolderMenuOfSelection(MainWindow);
    else if (focus == ListingPane)
        ShowEditMenuAtCaret();
}

bool ShowEditMenuOnPaneRightClick(const NMHDR* header) {
    if (header->hwndFrom != ListingPane || header->code != EN_MSGFILTER)
        return false;
    const MSGFILTER* filter = reinterpret_cast<const MSGFILTER*>(header);
    if (filter->msg != WM_RBUTTONDOWN)
        return false;
    POINT at;
    GetCursorPos(&at);
    ShowEditMenu(at);
    return true;
}

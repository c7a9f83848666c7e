// The main window end to end: start-up, splitter, tree interaction, menus, commands.
#include <ole2.h>
#include <richedit.h>

#include <cstring>

#include "base/long_work.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/listing_pane.h"
#include "listing/text_styles.h"
#include "main_window_fixture.h"
#include "resources/resource_ids.h"
#include "settings/current_filter.h"
#include "settings/settings_file.h"
#include "shell/commands.h"
#include "base/display_scale.h"
#include "base/long_work.h"
#include "listing/listing_pane.h"
#include "shell/main_window.h"
#include "shell/pane_layout.h"
#include "shell/run_program.h"
#include "shell/window_state.h"
#include "support/panes.h"
#include "support/test_dpi.h"
#include "tree/directory_service.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"
#include "tree/tree_marks.h"

namespace {

std::string CurrentDirectory() {
    char buffer[MAX_PATH];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return {bm.bmWidth, bm.bmHeight};
}

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The gap between the panes: 3 pixels at 96 DPI, 5 at 144 (150 %).
int ExpectedGap() {
    return TestDpi() == 144 ? 5 : 3;
}

HTREEITEM Selected() {
    return reinterpret_cast<HTREEITEM>(SendMessageA(TreePane, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

TEST(MainWindowRect, TakesThreeQuartersOfTheScreenCentred) {
    RECT r = MainWindowRect(1024, 768);
    EXPECT_EQ(r.left, 128);
    EXPECT_EQ(r.top, 96);
    EXPECT_EQ(r.right - r.left, 768);
    EXPECT_EQ(r.bottom - r.top, 576);
}

TEST(RunProgram, WithoutAMainWindowEndsAtOnceWithAFailureCode) {
    // Messages that a loop run in vain would take, the last one ending it.
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    PostQuitMessage(0);
    EXPECT_EQ(RunProgram(nullptr, nullptr, LoadLibraryA("RichEd20.dll")), kNoMainWindowExit);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE)) << "no loop ran";
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST_F(MainWindowTest, StartsWithTitleDrivesFocusEmptyPaneAndSettingsFile) {
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
    EXPECT_EQ(ReadWholeFile(start / "Kelvora.ini"), "[ext]\r\nExtensions=mp3,txt,zip,jpg,:\r\n");
    // The longest filter shows whole; the print job takes its name from the same text.
    const std::string longest = "*." + std::string(kMaxExtensionLength, 'x');
    lstrcpynA(CurrentFilter, longest.c_str(), sizeof CurrentFilter);
    ResetTitle();
    EXPECT_EQ(Title(), "Kelvora: " + longest);
    EXPECT_EQ(std::string(WindowTitle), "Kelvora: " + longest);
    EXPECT_EQ(Selected(), RootNode);
    EXPECT_EQ(NodeText(RootNode), "My Computer");
    EXPECT_TRUE(TreeIsExpanded(TreePane, RootNode));
    for (const std::string& drive : ChildTexts(RootNode)) {
        EXPECT_EQ(drive.size(), 3u);
        EXPECT_EQ(drive.substr(1), ":\\");
    }
    EXPECT_NE(FindChild(RootNode, "Z:\\"), nullptr);
    EXPECT_EQ(GetFocus(), TreePane);
    EXPECT_EQ(PaneText(ListingPane), "");
    EXPECT_EQ(SendMessageA(ListingPane, EM_GETLIMITTEXT, 0, 0), kListingPaneTextLimit);
    EXPECT_EQ(CurrentNode, nullptr);
    // The start directory has no subfolder, so the descent stayed there.
    EXPECT_EQ(CurrentDirectory(), start.Path());
    // OLE, which the pane's clipboard and drag and drop go through, is initialised on
    // this thread: a further initialisation only counts up.
    const HRESULT ole = OleInitialize(nullptr);
    EXPECT_EQ(ole, S_FALSE);
    if (SUCCEEDED(ole))
        OleUninitialize();
    // The manifest took effect: common controls 6 (their assembly's folder holds the
    // library) and per-monitor DPI awareness.
    char library[MAX_PATH] = "";
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), library, sizeof library);
    EXPECT_NE(std::string(library).find("common-controls_6595b64144ccf1df_6."), std::string::npos)
        << library;
    using AwarenessCall = HANDLE(WINAPI*)();
    using FromContextCall = int(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleA("user32.dll");
    auto threadContext = reinterpret_cast<AwarenessCall>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<FromContextCall>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(threadContext && awareness);
    EXPECT_EQ(awareness(threadContext()), 2) << "DPI_AWARENESS_PER_MONITOR_AWARE";
    EXPECT_EQ(WindowDpi(MainWindow), TestDpi());
    // Version 6's tree keeps the style it was made with: lines, no even-height rounding.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(TreePane, GWL_STYLE)),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER |
                                 TVS_NONEVENHEIGHT | TVS_HASLINES));
    RECT w;
    GetWindowRect(MainWindow, &w);
    RECT want = MainWindowRect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(w.left, want.left);
    EXPECT_EQ(w.right - w.left, want.right - want.left);
    // The panes: tree 200 wide, pane from 203 to the right edge (at 96 DPI).
    RECT client;
    GetClientRect(MainWindow, &client);
    EXPECT_EQ(ChildRect(TreePane).right, AtTestDpi(200));
    EXPECT_EQ(ChildRect(ListingPane).left, AtTestDpi(200) + ExpectedGap());
    EXPECT_EQ(ChildRect(ListingPane).right, client.right);
}

TEST_F(MainWindowTest, SplitterDragsWithinRangeAndResizeKeepsTheSplit) {
    RECT client;
    GetClientRect(MainWindow, &client);
    auto drag = [](int x) {
        SendMessageA(MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(SplitX + 1, 10));
        SendMessageA(MainWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 10));
        SendMessageA(MainWindow, WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
    };
    // The pointer holds the gap at its middle pixel: at 96 DPI the tree ends one pixel
    // left of it, at 144 two.
    const int gap = ExpectedGap();
    const int grip = gap / 2;
    const int at300 = 300 - grip;
    drag(1);
    EXPECT_EQ(SplitX, 0);
    EXPECT_EQ(ChildRect(TreePane).right - ChildRect(TreePane).left, 0);
    EXPECT_EQ(ChildRect(ListingPane).left, gap);
    drag(300);
    EXPECT_EQ(SplitX, at300);
    drag(client.right - gap);  // out of range: the last accepted position stays
    EXPECT_EQ(SplitX, at300);
    drag(client.right - gap - 1);  // the last position in range
    EXPECT_EQ(ChildRect(ListingPane).right - ChildRect(ListingPane).left, grip + 1);
    drag(300);
    drag(-20);  // left of the client area: a large unsigned x, ignored
    EXPECT_EQ(SplitX, at300);
    EXPECT_EQ(SplitterDrag, 0);
    // A move without a press moves nothing.
    SendMessageA(MainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(100, 10));
    EXPECT_EQ(SplitX, at300);
    // Only the gap starts a drag: a press where the listing pane is (bare while a
    // rebuild keeps the new pane hidden), or the tree, drags nothing.
    for (int x : {SplitX + gap, SplitX + 100, SplitX - 1}) {
        SendMessageA(MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 10));
        EXPECT_EQ(SplitterDrag, 0) << x;
        SendMessageA(MainWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
        SendMessageA(MainWindow, WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
        EXPECT_EQ(SplitX, at300) << x;
    }
    // The capture taken away mid-drag (Alt+Tab, a window opening) ends the drag: no
    // release arrives, and hovering over the gap afterwards moves nothing.
    SendMessageA(MainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 10));
    SetCapture(ListingPane);
    ReleaseCapture();
    EXPECT_EQ(SplitterDrag, 0);
    SendMessageA(MainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(100, 10));
    EXPECT_EQ(SplitX, at300);
    SetWindowPos(MainWindow, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    GetClientRect(MainWindow, &client);
    EXPECT_EQ(ChildRect(TreePane).right, at300);
    EXPECT_EQ(ChildRect(ListingPane).left, at300 + gap);
    EXPECT_EQ(ChildRect(ListingPane).right, client.right);
    EXPECT_EQ(ChildRect(ListingPane).bottom, client.bottom);
}

TEST_F(MainWindowTest, ClickOnAnUnreadFolderReadsItOnceThroughTheSelectionChange) {
    start.MakeFolder("Songs\\Live");
    start.MakeFolder("Songs\\Studio");
    HTREEITEM parent = OpenFolder(start.Path());
    HTREEITEM songs = FindChild(parent, "Songs");
    ASSERT_NE(songs, nullptr);
    EXPECT_EQ(TreeGetParam(TreePane, songs), 0);
    ClickNode(songs, false);
    EXPECT_EQ(CurrentNode, songs);
    EXPECT_EQ(Selected(), songs);
    EXPECT_EQ(TreeGetParam(TreePane, songs), 1);
    EXPECT_TRUE(TreeIsExpanded(TreePane, songs));
    EXPECT_EQ(ChildTexts(songs), (std::vector<std::string>{"Live", "Studio"}));
    // A second click on the read, selected node toggles it shut and reads nothing.
    start.MakeFolder("Songs\\Zebra");
    ClickNode(songs, false);
    EXPECT_FALSE(TreeIsExpanded(TreePane, songs));
    EXPECT_EQ(ChildTexts(songs).size(), 2u);
    EXPECT_EQ(NotifyGate, 1);
    // A click on the root makes it CurrentNode and toggles the drives.
    ClickNode(RootNode, false);
    EXPECT_EQ(CurrentNode, RootNode);
    EXPECT_EQ(NotifyGate, 1);
}

TEST_F(MainWindowTest, RightClickOpensFolderMenuWithPicturesOnTheClickedFolder) {
    start.MakeFolder("Albums\\One");
    HTREEITEM parent = OpenFolder(start.Path());
    HTREEITEM albums = FindChild(parent, "Albums");
    std::vector<std::string> texts;
    bool picturesAttached = false;
    WhileModal([&] {
        HWND popup = FindWindowA("#32768", nullptr);
        if (popup == nullptr || !IsWindowVisible(popup))
            return false;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1 /*MN_GETHMENU*/, 0, 0));
        picturesAttached = true;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            texts.push_back(text);
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_CHECKMARKS;
            GetMenuItemInfoA(menu, i, TRUE, &info);
            if (i < 4) {
                picturesAttached = picturesAttached && info.hbmpChecked == FolderMenuPictures[i] &&
                                   info.hbmpUnchecked == FolderMenuPictures[i] && info.hbmpChecked;
            }
        }
        EXPECT_EQ(NotifyGate, 0) << "the gate is down while the menu is open";
        PostMessageA(MainWindow, WM_COMMAND, IDC_LIST_FOLDER, 0);
        EndMenu();
        return true;
    });
    ClickNode(albums, true);
    EXPECT_EQ(texts, (std::vector<std::string>{"&List Folder", "&UnList Folder",
                                               "List &Sub-Folders", "UnList Sub-&Folders", "",
                                               "&Refresh Drive/Directory", "", "&Cancel"}));
    EXPECT_TRUE(picturesAttached);
    EXPECT_EQ(CurrentNode, albums);
    EXPECT_EQ(Selected(), albums);
    EXPECT_EQ(std::string(CurrentPath), start / "Albums\\");
    EXPECT_TRUE(TreeIsExpanded(TreePane, albums)) << "an unread folder is read and expanded";
    EXPECT_EQ(TreeGetImage(TreePane, albums), ListedFolder) << "the chosen command ran";
    EXPECT_EQ(NotifyGate, 1);
}

TEST_F(MainWindowTest, MarkCommandsFollowTheTransitionTableAndRebuildTheListing) {
    start.MakeFile("Music\\a_b.mp3");
    HTREEITEM music = OpenFolder(start / "Music");
    HTREEITEM drive = FindChild(RootNode, "Z:\\");
    CurrentNode = music;
    DispatchCommand(IDC_LIST_FOLDER);
    EXPECT_EQ(TreeGetImage(TreePane, music), ListedFolder);
    EXPECT_EQ(TreeGetSelectedImage(TreePane, music), ListedFolderOpen);
    EXPECT_TRUE(PaneHas("    Music\ra b"));
    DispatchCommand(IDC_LIST_FOLDER);  // no change
    EXPECT_EQ(TreeGetImage(TreePane, music), ListedFolder);
    DispatchCommand(IDC_UNLIST_FOLDER);
    EXPECT_EQ(TreeGetImage(TreePane, music), FolderClosed);
    EXPECT_EQ(TreeGetSelectedImage(TreePane, music), FolderOpen);
    EXPECT_EQ(PaneText(ListingPane), "");

    const int pairs[][3] = {{FixedDrive, ListedFixedDrive, FixedDrive},
                            {OtherDrive, ListedOtherDrive, OtherDrive}};
    for (const auto& pair : pairs) {
        TreeSetImages(TreePane, drive, pair[0], pair[0]);
        CurrentNode = drive;
        ListFolder();
        EXPECT_EQ(TreeGetImage(TreePane, drive), pair[1]);
        EXPECT_EQ(TreeGetSelectedImage(TreePane, drive), pair[1]);
        UnListFolder();
        EXPECT_EQ(TreeGetImage(TreePane, drive), pair[2]);
    }
    CurrentNode = RootNode;
    ListFolder();
    EXPECT_EQ(TreeGetImage(TreePane, RootNode), ComputerRoot);
}

TEST_F(MainWindowTest, ListSubFoldersReadsTheWholeSubtreeButLeavesTheFolderItself) {
    start.MakeFile("Top\\A\\A1\\x.mp3");
    start.MakeFolder("Top\\B");
    start.MakeFolder("Lone");
    HTREEITEM lone = OpenFolder(start / "Lone");
    HTREEITEM top = OpenFolder(start / "Top");  // read, as a right-click reads it
    // A link inside the subtree that points back up to Top.
    std::string unixTop = "/" + (start / "Top").substr(3);
    for (char& c : unixTop)
        c = c == '\\' ? '/' : c;
    std::string ln = "/bin/ln -s " + unixTop + " " + unixTop + "/B/back";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(
        CreateProcessA(nullptr, &ln[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    // Wine may report a Linux program ended before it has done its work.
    for (int i = 0;
         i < 100 && GetFileAttributesA((start / "Top\\B\\back").c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
        Sleep(100);
    // The system's search reports it as a link (under Wine: a reparse point whose tag
    // the 8-bit search leaves unwritten).
    FoundEntry entry;
    std::memset(&entry, 0xAB, sizeof entry);
    HANDLE search = Directory().FindFirst((start / "Top\\B\\").c_str(), "back", &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    Directory().CloseSearch(search);
    EXPECT_TRUE(IsLinkFolder(entry));

    // Long work shows its progress in the title, restores the title at the end, keeps
    // the pane's focus, and takes no input off the queue meanwhile.
    SetLongWorkDelay(0);
    static std::vector<std::string> titles;
    static WNDPROC windowProc;
    titles.clear();
    windowProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        MainWindow, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_SETTEXT)
                titles.push_back(reinterpret_cast<const char*>(lp));
            return CallWindowProcA(windowProc, w, m, wp, lp);
        })));
    SetFocus(ListingPane);
    PostMessageA(TreePane, WM_KEYDOWN, VK_DOWN, 0);
    CurrentNode = top;
    DispatchCommand(IDC_LIST_SUBFOLDERS);
    SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
    SetLongWorkDelay(500);
    MSG waiting;
    EXPECT_TRUE(PeekMessageA(&waiting, TreePane, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Kelvora: *.mp3 - reading folder 1"),
              titles.end());
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Kelvora: *.mp3 - listing folder 2 of 4"),
              titles.end());
    EXPECT_EQ(GetFocus(), ListingPane);
    EXPECT_EQ(TreeGetImage(TreePane, top), FolderClosed) << "the folder itself keeps its image";
    HTREEITEM a = FindChild(top, "A");
    HTREEITEM a1 = FindChild(a, "A1");
    HTREEITEM b = FindChild(top, "B");
    HTREEITEM back = FindChild(b, "back");
    ASSERT_TRUE(a && a1 && b && back);
    for (HTREEITEM node : {a, a1, b, back}) {
        EXPECT_EQ(TreeGetImage(TreePane, node), ListedFolder) << NodeText(node);
        EXPECT_EQ(TreeGetParam(TreePane, node), node == back ? 0 : 1) << NodeText(node);
    }
    EXPECT_EQ(TreeFirstChild(TreePane, back), nullptr) << "nothing is read below a link";
    EXPECT_TRUE(TreeIsExpanded(TreePane, a));
    EXPECT_TRUE(PaneHas("    A1\rx"));

    // No folder read or listed became the current directory, so each can be renamed
    // or removed while the program runs (Windows refuses both for the current
    // directory); the next rebuild finds A1 gone.
    EXPECT_EQ(CurrentDirectory(), start.Path());
    ASSERT_TRUE(MoveFileA((start / "Top\\A").c_str(), (start / "Top\\Renamed").c_str()));
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");
    ASSERT_TRUE(DeleteFileA((start / "Top\\Renamed\\A1\\x.mp3").c_str()));
    ASSERT_TRUE(RemoveDirectoryA((start / "Top\\Renamed\\A1").c_str()));
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");

    // The user opens the link: its target's folders show below it. List and UnList
    // Sub-Folders mark them like any other, and still read nothing below the link.
    TreeSelect(TreePane, back);
    Pump();
    HTREEITEM viaLink[] = {FindChild(back, "Renamed"), FindChild(back, "B")};
    ASSERT_TRUE(viaLink[0] && viaLink[1]);
    CurrentNode = top;
    DispatchCommand(IDC_LIST_SUBFOLDERS);
    for (HTREEITEM node : viaLink) {
        EXPECT_EQ(TreeGetImage(TreePane, node), ListedFolder) << NodeText(node);
        EXPECT_EQ(TreeGetParam(TreePane, node), 0) << NodeText(node);
    }
    DispatchCommand(IDC_UNLIST_SUBFOLDERS);
    for (HTREEITEM node : {a, a1, b, back, viaLink[0], viaLink[1]})
        EXPECT_EQ(TreeGetImage(TreePane, node), FolderClosed) << NodeText(node);

    // A folder without subfolders: nothing happens.
    CurrentNode = lone;
    DispatchCommand(IDC_LIST_SUBFOLDERS);
    EXPECT_EQ(TreeGetImage(TreePane, lone), FolderClosed);
}

// Paths past MAX_PATH (260) and past 600 bytes, which the 8-bit calls and relative
// paths cannot reach, are read, shown and listed to the last folder.
TEST_F(MainWindowTest, ListSubFoldersReadsAndListsAChainOfFoldersFarPastMaxPath) {
    const int kDepth = 20;
    std::wstring path = L"\\\\?\\" + Wide(start / "deep");
    std::vector<std::wstring> made = {path};
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    for (int i = 1; i <= kDepth; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"\\deepfolder_number_%02d_abcdefghij", i);
        path += name;
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << i;
        made.push_back(path);
        swprintf(name, 64, L"\\song_%02d.mp3", i);
        HANDLE song = CreateFileW((path + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(song, INVALID_HANDLE_VALUE) << i;
        CloseHandle(song);
        made.push_back(path + name);
    }
    ASSERT_GT(path.size(), 600u);
    CurrentNode = OpenFolder(start / "deep");
    DispatchCommand(IDC_LIST_SUBFOLDERS);
    std::string want;
    for (int i = 1; i <= kDepth; ++i) {
        char lines[96];
        snprintf(lines, sizeof lines, "\r    deepfolder number %02d abcdefghij\rsong %02d", i, i);
        want += lines;
    }
    EXPECT_EQ(PaneText(ListingPane), want);
    EXPECT_EQ(CurrentDirectory(), start.Path());
    for (auto at = made.rbegin(); at != made.rend(); ++at)
        DeleteFileW(at->c_str()) || RemoveDirectoryW(at->c_str());
}

TEST_F(MainWindowTest, RefreshShowsNewFoldersAndDropsMarksBelowButKeepsItsOwn) {
    start.MakeFolder("Top\\Old");
    HTREEITEM top = OpenFolder(start / "Top");
    CurrentNode = top;
    DispatchCommand(IDC_LIST_FOLDER);
    DispatchCommand(IDC_LIST_SUBFOLDERS);
    start.MakeFolder("Top\\Alpha");
    BuildNodePath(top);  // as the right-click that opens the menu does
    DispatchCommand(IDC_REFRESH);
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"Alpha", "Old"}));
    EXPECT_EQ(TreeGetImage(TreePane, FindChild(top, "Old")), FolderClosed);
    EXPECT_EQ(TreeGetImage(TreePane, top), ListedFolder);

    // Renamed on disk, then refreshed: the folder cannot be read under its old name, so
    // it loses its subfolders and stays unread, to be read again once it is back.
    ASSERT_TRUE(MoveFileA((start / "Top").c_str(), (start / "Moved").c_str()));
    BuildNodePath(top);
    DispatchCommand(IDC_REFRESH);
    EXPECT_EQ(TreeFirstChild(TreePane, top), nullptr);
    EXPECT_EQ(TreeGetParam(TreePane, top), 0);
    EXPECT_EQ(PaneText(ListingPane), "");
    ASSERT_TRUE(MoveFileA((start / "Moved").c_str(), (start / "Top").c_str()));
    BuildNodePath(top);
    DispatchCommand(IDC_REFRESH);
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"Alpha", "Old"}));
}

TEST_F(MainWindowTest, FileExitClosesTheWindowAndTheRunEndsWithCodeZero) {
    DispatchCommand(IDC_EXIT);
    // Without the window nothing would ever end the loop below.
    ASSERT_FALSE(IsWindow(MainWindow));
    EXPECT_EQ(RunProgram(MainWindow, Accelerators, LoadLibraryA("RichEd20.dll")), 0);
}

TEST_F(MainWindowTest, ProgressInTheTitleGroupsItsNumbersAndGoesWithTheWork) {
    SetLongWorkDelay(0);
    {
        LongWork work;
        LongWorkProgress("listing folder %s of %s", 12345, 1234567);
        EXPECT_EQ(Title(), "Kelvora: *.mp3 - listing folder 12,345 of 1,234,567");
    }
    SetLongWorkDelay(500);
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
}

TEST_F(MainWindowTest, TheListingIsRebuiltAfterExactlyTheCommandsThatCanChangeIt) {
    UseStyleDialogs([](CHOOSEFONTA*) -> BOOL { return FALSE; },
                    [](CHOOSECOLORA*) -> BOOL { return FALSE; });
    const int rebuilding[] = {IDC_ITEM_FONT,       IDC_FOLDER_FONT,       IDC_ITEM_COLOR,
                              IDC_FOLDER_COLOR,    IDC_LIST_FOLDER,       IDC_UNLIST_FOLDER,
                              IDC_LIST_SUBFOLDERS, IDC_UNLIST_SUBFOLDERS, IDC_REFRESH};
    for (int id : rebuilding) {
        TypeIntoPane("typed");
        DispatchCommand(id);
        EXPECT_FALSE(PaneHas("typed")) << "command " << id;
    }
    const int keeping[] = {IDC_CANCEL_MENU, IDC_COPY, IDC_SELECT_ALL, 999};  // 999: no command
    for (int id : keeping) {
        TypeIntoPane("typed");
        DispatchCommand(id);
        EXPECT_TRUE(PaneHas("typed")) << "command " << id;
        SendMessageA(ListingPane, EM_SETSEL, 0, -1);
        SendMessageA(ListingPane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    }
}

TEST_F(MainWindowTest, SelectAllDeleteThenUndoRestoresTheText) {
    TypeIntoPane("line one\rline two");
    DispatchCommand(IDC_SELECT_ALL);
    DispatchCommand(IDC_DELETE);
    EXPECT_EQ(PaneText(ListingPane), "");
    DispatchCommand(IDC_UNDO);
    EXPECT_EQ(PaneText(ListingPane), "line one\rline two");
}

TEST_F(MainWindowTest, AcceleratorsReachSaveAndPrintWithTheTreeFocused) {
    SetFocus(TreePane);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    for (char key : {'S', 'P'}) {
        MSG msg = {TreePane, WM_KEYDOWN, static_cast<WPARAM>(key), 0x1, 0, {0, 0}};
        EXPECT_TRUE(TranslateAcceleratorA(MainWindow, Accelerators, &msg));
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    MSG f2 = {TreePane, WM_KEYDOWN, VK_F2, 0x1, 0, {0, 0}};
    EXPECT_TRUE(TranslateAcceleratorA(MainWindow, Accelerators, &f2));
    EXPECT_EQ(commands, (std::vector<int>{IDC_SAVE_AS, IDC_PRINT, IDC_OPTIONS}));
}

// Without a mouse: Shift+F10 in the tree opens the folder menu of the selected node
// just below it, and the context-menu key in the pane the Edit menu at the caret.
TEST_F(MainWindowTest, KeysOpenTheFolderMenuAtTheSelectedNodeAndTheEditMenuInThePane) {
    start.MakeFile("Albums\\song.mp3");
    HTREEITEM albums = OpenFolder(start / "Albums");
    SetFocus(TreePane);
    RECT label = {};
    TreeView_GetItemRect(TreePane, albums, &label, TRUE);
    POINT below = {label.left, label.bottom};
    ClientToScreen(TreePane, &below);
    HMENU shown = nullptr;
    RECT shownAt = {};
    std::string first;
    auto watchMenu = [&](UINT command) {
        WhileModal([&, command] {
            HWND popup = FindWindowA("#32768", nullptr);
            if (popup == nullptr)
                return false;
            shown = reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1 /*MN_GETHMENU*/, 0, 0));
            GetWindowRect(popup, &shownAt);
            char text[64] = "";
            GetMenuStringA(shown, 0, text, sizeof text, MF_BYPOSITION);
            first = text;
            if (command != 0)
                PostMessageA(MainWindow, WM_COMMAND, command, 0);
            EndMenu();
            return true;
        });
    };
    watchMenu(IDC_LIST_FOLDER);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(TreePane, WM_SYSKEYDOWN, VK_F10, 0x1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    Pump();
    EXPECT_EQ(first, "&List Folder");
    EXPECT_EQ(shownAt.left, below.x);
    EXPECT_EQ(shownAt.top, below.y);
    EXPECT_EQ(TreeGetImage(TreePane, albums), ListedFolder);
    EXPECT_TRUE(PaneHas("song"));

    shown = nullptr;
    watchMenu(0);
    SetFocus(ListingPane);
    SendMessageA(ListingPane, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListingPane), -1);
    Pump();
    EXPECT_EQ(shown, GetSubMenu(GetMenu(MainWindow), 1));
    POINT corner = {shownAt.left, shownAt.top};
    RECT pane;
    GetWindowRect(ListingPane, &pane);
    EXPECT_TRUE(PtInRect(&pane, corner)) << "the menu opens at the caret, in the pane";
}

// Progress shows in the title only while work runs: after Apply in the Options
// dialog the title is plain again while the dialog stays open.
TEST_F(MainWindowTest, TheTitleShowsProgressOnlyWhileWorkRuns) {
    start.MakeFile("Albums\\song.mp3");
    CurrentNode = OpenFolder(start / "Albums");
    DispatchCommand(IDC_LIST_FOLDER);
    SetLongWorkDelay(0);
    std::string afterApply;
    WhileModal([&] {
        HWND box = FindWindowA(nullptr, "Options");
        if (box == nullptr)
            return false;
        SendMessageA(box, WM_COMMAND, IDC_OPT_APPLY, 0);
        afterApply = Title();
        SendMessageA(box, WM_COMMAND, IDC_OPT_CANCEL, 0);
        return true;
    });
    DispatchCommand(IDC_OPTIONS);
    SetLongWorkDelay(500);
    EXPECT_EQ(afterApply, "Kelvora: *.mp3");
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
    EXPECT_TRUE(PaneHas("song"));
}

TEST_F(MainWindowTest, RightClickInThePaneShowsTheEditMenu) {
    HMENU shown = nullptr;
    WhileModal([&] {
        HWND popup = FindWindowA("#32768", nullptr);
        if (popup == nullptr || !IsWindowVisible(popup))
            return false;
        shown = reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1 /*MN_GETHMENU*/, 0, 0));
        EndMenu();
        return true;
    });
    PostMessageA(ListingPane, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    SendMessageA(ListingPane, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    Pump();
    EXPECT_EQ(shown, GetSubMenu(GetMenu(MainWindow), 1));
}

TEST_F(MainWindowTest, MenusCarryTheirTextsAndPictures) {
    HMENU menu = GetMenu(MainWindow);
    char text[64];
    GetMenuStringA(GetSubMenu(menu, 1), IDC_SELECT_ALL, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Select &All     \tCtrl+A");
    GetMenuStringA(GetSubMenu(menu, 2), IDC_OPTIONS, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Options...\tF2");
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoA(menu, IDC_SAVE_AS, FALSE, &info);
    EXPECT_EQ(info.hbmpChecked, MenuPictures[IDB_MENU_SAVE - IDB_MENU_ABOUT]);
    // Drawn for the display's scale: at 150 % the pictures made for it, not the 100 %
    // ones stretched; the tree's images likewise.
    const bool at150 = TestDpi() == 144;
    const SIZE about = BitmapSize(MenuPictures[0]);
    const SIZE font = BitmapSize(MenuPictures[1]);
    EXPECT_EQ(about.cx, at150 ? 20 : 13);
    EXPECT_EQ(about.cy, at150 ? 21 : 14);
    EXPECT_EQ(font.cx, at150 ? 20 : 13);
    EXPECT_EQ(font.cy, font.cx);
    int width = 0, height = 0;
    ImageList_GetIconSize(TreeImages, &width, &height);
    EXPECT_EQ(width, at150 ? 24 : 16);
    EXPECT_EQ(height, width);
    EXPECT_EQ(ImageList_GetImageCount(TreeImages), 9);
    EXPECT_EQ(
        reinterpret_cast<HIMAGELIST>(SendMessageA(TreePane, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
        TreeImages);
}

// Windows sends WM_DPICHANGED when the window moves to a monitor of another scale;
// under Wine every monitor has the one scale, so the message is sent here as Windows
// would, for twice the scale.
TEST_F(MainWindowTest, AMoveToAMonitorOfTwiceTheScaleRedrawsAtIt) {
    const int dpi = 2 * TestDpi();
    const int splitBefore = SplitX;
    RECT suggested = {40, 30, 40 + 900, 30 + 700};
    SendMessageA(MainWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Pump();
    RECT now;
    GetWindowRect(MainWindow, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    // The tree keeps its share of the window; the gap is 3 pixels at 96 DPI scaled.
    EXPECT_EQ(SplitX, 2 * splitBefore);
    RECT client;
    GetClientRect(MainWindow, &client);
    EXPECT_EQ(ChildRect(TreePane).right, 2 * splitBefore);
    EXPECT_EQ(ChildRect(ListingPane).left, 2 * splitBefore + (TestDpi() == 144 ? 9 : 6));
    EXPECT_EQ(ChildRect(ListingPane).right, client.right);
    EXPECT_EQ(ChildRect(ListingPane).bottom, client.bottom);
    // The pictures: the 100 % ones twice (or three times) over, pixel for pixel.
    int width = 0, height = 0;
    ImageList_GetIconSize(TreeImages, &width, &height);
    EXPECT_EQ(width, 2 * (TestDpi() == 144 ? 24 : 16));
    EXPECT_EQ(
        reinterpret_cast<HIMAGELIST>(SendMessageA(TreePane, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
        TreeImages);
    // The menu pictures as near the check mark's size as a picture enlarged by a whole
    // factor comes without passing it.
    const SIZE check = BitmapSize(MenuPictures[IDB_MENU_SAVE - IDB_MENU_ABOUT]);
    const int checkMark = MetricForDpi(SM_CXMENUCHECK, dpi);
    EXPECT_LE(check.cx, checkMark);
    EXPECT_GT(check.cx * 10, checkMark * 9) << checkMark;
    EXPECT_EQ(check.cy, check.cx);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoA(GetMenu(MainWindow), IDC_SAVE_AS, FALSE, &info);
    EXPECT_EQ(info.hbmpChecked, MenuPictures[IDB_MENU_SAVE - IDB_MENU_ABOUT]);
    EXPECT_EQ(FolderMenuPictures[0], MenuPictures[IDB_MENU_LIST - IDB_MENU_ABOUT]);
    // The tree's font grew with the scale.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(TreePane, WM_GETFONT, 0, 0));
    LOGFONTA logFont = {};
    ASSERT_NE(font, nullptr);
    GetObjectA(font, sizeof logFont, &logFont);
    LOGFONTA system = {};
    SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof system, &system, 0);
    EXPECT_NEAR(logFont.lfHeight, 2 * system.lfHeight, 1);
}

TEST_F(MainWindowTest, NamesOutsideTheAnsiCodePageShowListAndReadBack) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // nihongo
    const std::string cafe = "caf\xC3\xA9";
    const std::string emoji = "\xF0\x9F\x8E\xB5_song";
    start.MakeFile(japanese + "\\" + emoji + ".mp3");
    start.MakeFile(cafe + "\\" + japanese + ".mp3");
    HTREEITEM parent = OpenFolder(start.Path());
    HTREEITEM jp = FindChild(parent, japanese);
    HTREEITEM fr = FindChild(parent, cafe);
    ASSERT_TRUE(jp && fr) << "the tree shows the names";
    for (HTREEITEM node : {jp, fr}) {
        CurrentNode = node;
        DispatchCommand(IDC_LIST_FOLDER);
    }
    std::string text = PaneText(ListingPane);
    EXPECT_NE(text.find("    " + cafe + "\r" + japanese), std::string::npos) << text;
    EXPECT_NE(text.find("    " + japanese + "\r\xF0\x9F\x8E\xB5 song"), std::string::npos) << text;

    // Headings in another face and size are written run by run, a heading colour of
    // its own streams in; either way every name reads back as the same UTF-16, and no
    // 8-bit text outside ASCII reaches the pane, whose decoding of it Windows does not
    // document.
    const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3";  // alpha beta gamma
    start.MakeFile(cafe + "\\" + greek + ".mp3");
    static int eightBitTexts;
    eightBitTexts = 0;
    HHOOK spy = SetWindowsHookExA(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
            if (code == HC_ACTION && sent->message == EM_REPLACESEL && sent->lParam != 0) {
                for (const char* c = reinterpret_cast<const char*>(sent->lParam); *c; ++c)
                    eightBitTexts += static_cast<unsigned char>(*c) >= 0x80;
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    const TextStyle folderStyle = FolderStyle;
    lstrcpynA(FolderStyle.font.lfFaceName, "Tahoma", LF_FACESIZE);
    FolderStyle.font.lfHeight = -16;  // 12 points
    BuildCharFormat(FolderStyle);
    std::string items;
    for (const std::string& name : FilesInSearchOrder(start / cafe, "*.mp3"))
        items += "\r" + name.substr(0, name.size() - 4);
    ASSERT_EQ(items.size(), 2 + japanese.size() + greek.size());
    const std::wstring want =
        Wide("\r    " + cafe + items + "\r    " + japanese + "\r\xF0\x9F\x8E\xB5 song");
    for (bool colour : {false, true}) {
        if (colour) {
            FolderStyle = folderStyle;
            FolderStyle.colour = RGB(0, 0, 0xC0);
            BuildCharFormat(FolderStyle);
        }
        RegenerateListing();
        EXPECT_EQ(LastListingWasStreamed(), colour);
        const std::wstring got = Wide(PaneText(ListingPane));
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << PaneText(ListingPane);
        std::vector<Paragraph> lines = ReadParagraphs(ListingPane);
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[1].face, colour ? "MS Sans Serif" : "Tahoma");
        EXPECT_EQ(lines[1].height, colour ? 192 : 256);
        EXPECT_EQ(lines[2].face, "MS Sans Serif");
        EXPECT_EQ(lines[2].height, 192);
    }
    UnhookWindowsHookEx(spy);
    FolderStyle = folderStyle;
    BuildCharFormat(FolderStyle);
    EXPECT_EQ(eightBitTexts, 0);

    // And every name is drawn: two letters of one script come out as different pixels,
    // in the tree's face and in the pane's (a face without them draws one box or bar
    // for both).
    ShowWindow(MainWindow, SW_SHOWNOACTIVATE);
    SendMessageA(TreePane, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(jp));
    Pump();
    RECT name = {};
    std::memcpy(&name, &jp, sizeof jp);  // TVM_GETITEMRECT takes the item in the rectangle
    ASSERT_TRUE(SendMessageA(TreePane, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&name)));
    HDC dc = GetDC(TreePane);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(TreePane, WM_GETFONT, 0, 0)));
    SIZE first = {}, second = {}, all = {};
    GetTextExtentPoint32W(dc, L"\u65E5", 1, &first);
    GetTextExtentPoint32W(dc, L"\u65E5\u672C", 2, &second);
    GetTextExtentPoint32W(dc, L"\u65E5\u672C\u8A9E", 3, &all);
    SelectObject(dc, old);
    ReleaseDC(TreePane, dc);
    const LONG left = name.left + (name.right - name.left - all.cx) / 2;
    EXPECT_NE(DrawnPixels(TreePane, {left, name.top, left + first.cx, name.bottom}),
              DrawnPixels(TreePane, {left + first.cx, name.top, left + second.cx, name.bottom}));
    const std::wstring shown = Wide(PaneText(ListingPane));
    for (const wchar_t* letters : {L"\u03B1\u03B2", L"\u65E5\u672C"}) {
        const LONG at = static_cast<LONG>(shown.find(letters));
        ASSERT_NE(at, -1);
        EXPECT_NE(DrawnPixels(ListingPane, PaneCharCell(ListingPane, at)),
                  DrawnPixels(ListingPane, PaneCharCell(ListingPane, at + 1)))
            << DrawnPixels(ListingPane, PaneCharCell(ListingPane, at));
    }
}

}  // namespace

namespace {

TEST_F(MainWindowTest, ThePaneThatHadTheFocusGetsItBackAfterADialog) {
    LetDialogsOpen();
    for (HWND pane : {ListingPane, TreePane}) {
        SetFocus(pane);
        WhileModal([] {
            HWND box = FindWindowA(nullptr, "About");
            if (box)
                PostMessageA(box, WM_CLOSE, 0, 0);
            return box != nullptr;
        });
        DispatchCommand(IDC_ABOUT);
        Pump();
        EXPECT_EQ(GetFocus(), pane);
    }
}

}  // namespace

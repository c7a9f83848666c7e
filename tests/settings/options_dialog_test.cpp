// The real Options dialog under Wine, opened by command 103 from the real main window
// in a fresh start folder, driven from inside its modal loop (options_driver.h): its
// template, the opening state, the case pairs, the filter, typed extensions and their
// questions, removal, the hot keys, refused extensions and a settings file that cannot
// be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/hot_keys.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/text_styles.h"
#include "resources/resource_ids.h"
#include "settings/current_filter.h"
#include "settings/options_dialog.h"
#include "settings/options_driver.h"
#include "settings/settings_file.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/window_state.h"
#include "support/panes.h"
#include "support/real_input.h"
#include "support/temp_folder.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

using ItemList = std::vector<std::string>;

const ItemList kDefaultItems = {"*.mp3", "*.txt", "*.zip", "*.jpg"};

std::string Ini(const std::string& value) {
    return "[ext]\r\nExtensions=" + value + "\r\n";
}

std::string Title() {
    char text[100] = "";
    GetWindowTextA(MainWindow, text, sizeof text);
    return text;
}

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class OptionsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        ListingOptions = kDefaultListingOptions;
        FilterIndex = 0;
        FontDialogGate = 0;  // as at process start: start-up builds the styles silently
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
        ASSERT_NE(CreateMainWindow(GetModuleHandleA(nullptr)), nullptr);
        ASSERT_EQ(std::string(SettingsFilePath), file_);
        ASSERT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,:"));
        ASSERT_EQ(Title(), "Kelvora: *.mp3");
    }

    void TearDown() override {
        SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DestroyWindow(MainWindow);
        MainWindow = nullptr;
        MSG quit;  // the main window's shutdown asks to end the loop: not the tests' loop
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ForgetCachedFile();
        EXPECT_EQ(FilterEdited, 0);
        EXPECT_FALSE(driver_.EscapeHeld());
        EXPECT_FALSE(driver_.EnterHeld());
    }

    std::string Bytes() const { return ReadWholeFile(file_); }
    void ForgetCachedFile() {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file_.c_str());
    }

    // Replaces the stored list, and starts the filter afresh from it as a new run would.
    void Store(const std::string& value) {
        ASSERT_TRUE(WriteWholeFile(file_, Ini(value)));
        ForgetCachedFile();
        LoadExtensionList();
        FilterIndex = 0;
        ResetTitle();
    }

    // Opens the dialog with command 103, as F2 and the View menu do.
    void Open(const std::function<void(HWND)>& script) {
        driver_.boxes.clear();
        driver_.Run([] { DispatchCommand(IDC_OPTIONS); }, script);
    }

    // A folder with one file of each of these extensions, listed in the tree.
    void ListFolderWith(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            folder_.MakeFile("Files\\" + name);
        HTREEITEM node = AddPathNodes(folder_ / "Files");
        TreeSetImages(TreePane, node, ListedFolder, ListedFolderOpen);
    }

    // The dialog holds both hot keys and no box is up.
    void ExpectHotKeysHeld() {
        EXPECT_TRUE(driver_.EscapeHeld());
        EXPECT_TRUE(driver_.EnterHeld());
    }

    // The one box seen was the question with this caption and text, owned by the
    // dialog, with Esc and Enter free for it.
    void ExpectQuestion(const std::string& caption, const std::string& text) {
        ASSERT_EQ(driver_.boxes.size(), 1u);
        EXPECT_EQ(driver_.boxes[0].caption, caption);
        EXPECT_EQ(driver_.boxes[0].text, text);
        EXPECT_TRUE(driver_.boxes[0].hotKeysFree);
        EXPECT_NE(driver_.boxes[0].owner, nullptr);
        EXPECT_EQ(driver_.boxes[0].owner, dialog_);
    }

    TempFolder folder_;
    const std::string file_ = folder_ / "Kelvora.ini";
    OptionsDriver driver_;
    HWND dialog_ = nullptr;  // set by the scripts that check box owners
};

// ---- The template ----

// Reads the extended dialog template 1001 as the program carries it.
struct TemplateReader {
    const BYTE* at;
    WORD Word() {
        WORD w = *reinterpret_cast<const WORD*>(at);
        at += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d = *reinterpret_cast<const DWORD*>(at);
        at += 4;
        return d;
    }
    std::string Text() {  // a zero-ended UTF-16 string, ASCII here; or 0xFFFF + ordinal
        if (*reinterpret_cast<const WORD*>(at) == 0xFFFF) {
            at += 2;
            return "#" + std::to_string(Word());
        }
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    void Align() {
        while (reinterpret_cast<ULONG_PTR>(at) % 4 != 0)
            ++at;
    }
};

TEST_F(OptionsDialogTest, TemplateHasTheFifteenControlsInTabOrder) {
    HRSRC found = FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(IDD_OPTIONS),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, nullptr);
    TemplateReader r{static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)))};
    EXPECT_EQ(r.Word(), 1);       // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF);  // extended
    EXPECT_EQ(r.Dword(), 0u);     // help id
    EXPECT_EQ(r.Dword(), 0u);     // extended style
    EXPECT_EQ(r.Dword(), 0x10C00840u);
    ASSERT_EQ(r.Word(), 15);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 192);
    EXPECT_EQ(r.Word(), 111);
    EXPECT_EQ(r.Text(), "");  // no menu
    EXPECT_EQ(r.Text(), "");  // the standard dialog class
    EXPECT_EQ(r.Text(), "Options");
    EXPECT_EQ(r.Word(), 8);       // points
    EXPECT_EQ(r.Word(), 700);     // weight
    EXPECT_EQ(r.Word(), 1 << 8);  // not italic, character set 1
    EXPECT_EQ(r.Text(), "MS Sans Serif");

    struct Control {
        int id;
        const char* cls;
        const char* text;
        int x, y, cx, cy;
        DWORD style;
    } const controls[] = {
        {IDC_OPT_LIST_ITEM_NAMES, "#128", "List Item Names", 103, 1, 81, 10, 0x50010003},
        {IDC_OPT_INCLUDE_EXTENSIONS, "#128", "Include Extensions", 103, 16, 81, 10, 0x50010003},
        {IDC_OPT_LIST_FOLDER_NAMES, "#128", "List Folder Names", 7, 1, 90, 10, 0x50010003},
        {IDC_OPT_INCLUDE_EMPTY, "#128", "Include Empty Folders", 7, 16, 90, 10, 0x50010003},
        {IDC_OPT_ITEMS_LOWER, "#128", "Items Lower Case", 103, 31, 81, 10, 0x50010003},
        {IDC_OPT_FOLDERS_LOWER, "#128", "Folders Lower Case", 7, 31, 90, 10, 0x50010003},
        {IDC_OPT_ITEMS_UPPER, "#128", "Items Upper Case", 103, 46, 81, 10, 0x50010003},
        {IDC_OPT_FOLDERS_UPPER, "#128", "Folders Upper Case", 7, 46, 90, 10, 0x50010003},
        {IDC_OPT_COMPLETE_PATH, "#128", "Complete Folder Path", 7, 61, 90, 10, 0x50010003},
        {IDC_OPT_UNDERSCORE, "#128", "UnderScore = Space", 103, 61, 81, 10, 0x50010003},
        {IDC_OPT_EXTENSIONS, "#133", "Extensions", 9, 75, 115, 200, 0x50010202},
        {IDC_OPT_REMOVE, "#128", "Remove", 136, 75, 44, 13, 0x50010000},
        {IDC_OPT_OK, "#128", "OK", 17, 95, 44, 12, 0x50010000},
        {IDC_OPT_APPLY, "#128", "Apply", 127, 95, 44, 12, 0x50010000},
        {IDC_OPT_CANCEL, "#128", "Cancel", 72, 95, 44, 12, 0x50010000},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.text);
        r.Align();
        EXPECT_EQ(r.Dword(), 0u);  // help id
        EXPECT_EQ(r.Dword(), 0u);  // extended style
        EXPECT_EQ(r.Dword(), c.style);
        EXPECT_EQ(r.Word(), c.x);
        EXPECT_EQ(r.Word(), c.y);
        EXPECT_EQ(r.Word(), c.cx);
        EXPECT_EQ(r.Word(), c.cy);
        EXPECT_EQ(r.Dword(), static_cast<DWORD>(c.id));
        std::string cls = r.Text();
        EXPECT_TRUE(cls == c.cls || cls == (c.cls == std::string("#128") ? "BUTTON" : "COMBOBOX"))
            << cls;
        EXPECT_EQ(r.Text(), c.text);
        EXPECT_EQ(r.Word(), 0);  // no creation data
    }
}

// ---- Opening, closing, the boxes ----

TEST_F(OptionsDialogTest, OpensWithDefaultState) {
    Open([&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(MainWindow));
        for (int id : {IDC_OPT_LIST_ITEM_NAMES, IDC_OPT_LIST_FOLDER_NAMES, IDC_OPT_UNDERSCORE})
            EXPECT_TRUE(Checked(dialog, id)) << id;
        for (int id : {IDC_OPT_INCLUDE_EXTENSIONS, IDC_OPT_INCLUDE_EMPTY, IDC_OPT_COMPLETE_PATH,
                       IDC_OPT_ITEMS_LOWER, IDC_OPT_FOLDERS_LOWER, IDC_OPT_ITEMS_UPPER,
                       IDC_OPT_FOLDERS_UPPER})
            EXPECT_FALSE(Checked(dialog, id)) << id;
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_EQ(Selected(dialog), 0);
        EXPECT_EQ(EditText(dialog), "*.mp3");
        EXPECT_STREQ(CurrentFilter, "*.mp3");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_OPT_LIST_ITEM_NAMES));
        ExpectHotKeysHeld();
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_TRUE(IsWindowEnabled(MainWindow));
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
}

// The result and what each ending applies: only "OK" and Enter copy the six boxes.
TEST_F(OptionsDialogTest, EndingsAndResults) {
    struct Ending {
        const char* name;
        std::function<void(HWND)> end;
        INT_PTR result;
    } const endings[] = {
        {"OK", [](HWND d) { Click(d, IDC_OPT_OK); }, 1},
        {"Enter", [](HWND d) { HotKey(d, kHotKeyEnter); }, 1},
        {"Cancel", [](HWND d) { Click(d, IDC_OPT_CANCEL); }, 0},
        {"Esc", [](HWND d) { HotKey(d, kHotKeyEscape); }, 0},
        {"WM_CLOSE", [](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }, 0},
        // The system's own Enter and Esc commands do nothing.
        {"IDOK then Esc",
         [](HWND d) {
             SendMessageA(d, WM_COMMAND, IDOK, 0);
             SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
             EXPECT_EQ(FindOptionsDialog(), d);
             HotKey(d, kHotKeyEscape);
         },
         0},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        ListingOptions = kDefaultListingOptions;
        INT_PTR result = -1;
        driver_.Run([&] { result = OptionsDialog(MainWindow); },
                    [&](HWND dialog) {
                        Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
                        Click(dialog, IDC_OPT_INCLUDE_EXTENSIONS);
                        e.end(dialog);
                    });
        EXPECT_EQ(result, e.result);
        EXPECT_EQ(ListingOptions.ListFolderNames, 1 - e.result);
        EXPECT_EQ(ListingOptions.IncludeExtensions, e.result);
        EXPECT_FALSE(driver_.EscapeHeld());
        EXPECT_FALSE(driver_.EnterHeld());
    }
}

// ---- Case pairs ----

TEST_F(OptionsDialogTest, CasePairsWrittenAtTheClick) {
    Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_ITEMS_LOWER);
        EXPECT_EQ(ListingOptions.ItemsLowerCase, 1);
        Click(dialog, IDC_OPT_ITEMS_UPPER);
        EXPECT_EQ(ListingOptions.ItemsUpperCase, 1);
        EXPECT_EQ(ListingOptions.ItemsLowerCase, 0);
        EXPECT_FALSE(Checked(dialog, IDC_OPT_ITEMS_LOWER));
        Click(dialog, IDC_OPT_FOLDERS_LOWER);  // the other pair leaves the items alone
        EXPECT_EQ(ListingOptions.FoldersLowerCase, 1);
        EXPECT_TRUE(Checked(dialog, IDC_OPT_ITEMS_UPPER));
        EXPECT_EQ(ListingOptions.ItemsUpperCase, 1);
        Click(dialog, IDC_OPT_ITEMS_UPPER);  // switching off touches nothing else
        EXPECT_EQ(ListingOptions.ItemsUpperCase, 0);
        EXPECT_EQ(ListingOptions.ItemsLowerCase, 0);
        EXPECT_FALSE(Checked(dialog, IDC_OPT_ITEMS_LOWER));
        Click(dialog, IDC_OPT_FOLDERS_UPPER);
        EXPECT_EQ(ListingOptions.FoldersUpperCase, 1);
        EXPECT_EQ(ListingOptions.FoldersLowerCase, 0);
        Click(dialog, IDC_OPT_LIST_ITEM_NAMES);  // not a case box: waits for OK or Apply
        EXPECT_EQ(ListingOptions.ListItemNames, 1);
        Click(dialog, IDC_OPT_CANCEL);
    });
    // "Cancel" keeps the case flags and drops the other box.
    EXPECT_EQ(ListingOptions.FoldersUpperCase, 1);
    EXPECT_EQ(ListingOptions.FoldersLowerCase, 0);
    EXPECT_EQ(ListingOptions.ItemsUpperCase, 0);
    EXPECT_EQ(ListingOptions.ListItemNames, 1);
    Open([&](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_OPT_FOLDERS_UPPER));
        EXPECT_TRUE(Checked(dialog, IDC_OPT_LIST_ITEM_NAMES));
        Click(dialog, IDC_OPT_CANCEL);
    });
}

// ---- The filter ----

TEST_F(OptionsDialogTest, SelectedFilterSurvivesCancelAndListingFollowsAtRebuild) {
    ListFolderWith({"tune.mp3", "notes.txt"});
    RegenerateListing();
    const std::string before = PaneText(ListingPane);
    ASSERT_TRUE(Contains(before, "tune"));
    Open([&](HWND dialog) {
        Pick(dialog, 1);
        EXPECT_STREQ(CurrentFilter, "*.txt");
        EXPECT_EQ(FilterIndex, 1);
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_STREQ(CurrentFilter, "*.txt");
    EXPECT_EQ(Title(), "Kelvora: *.txt");
    EXPECT_EQ(PaneText(ListingPane), before);  // not rebuilt by the dialog
    RegenerateListing();
    EXPECT_TRUE(Contains(PaneText(ListingPane), "notes"));
    EXPECT_FALSE(Contains(PaneText(ListingPane), "tune"));
    Open([&](HWND dialog) {  // opens on the filter in force
        EXPECT_EQ(Selected(dialog), 1);
        EXPECT_EQ(EditText(dialog), "*.txt");
        Click(dialog, IDC_OPT_CANCEL);
    });
}

TEST_F(OptionsDialogTest, TypedExtensionAddedOnOk) {
    ListFolderWith({"tune.mp3", "letter.doc"});
    for (const char* typed : {"*.doc", ".doc", "doc"}) {
        SCOPED_TRACE(typed);
        Store("mp3,txt,zip,jpg,:");
        RegenerateListing();
        ASSERT_TRUE(Contains(PaneText(ListingPane), "tune"));
        driver_.Answer(IDOK);
        Open([&](HWND dialog) {
            dialog_ = dialog;
            Retype(dialog, typed);
            EXPECT_EQ(EditText(dialog), typed);
            EXPECT_EQ(FilterEdited, 1);
            Click(dialog, IDC_OPT_OK);
        });
        ExpectQuestion("Add String To List?", "*.doc");
        EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,doc,:"));
        EXPECT_STREQ(CurrentFilter, "*.doc");
        EXPECT_EQ(FilterIndex, 4);
        EXPECT_EQ(Title(), "Kelvora: *.doc");
        // The listing was rebuilt with the new filter when the dialog ended.
        EXPECT_TRUE(Contains(PaneText(ListingPane), "letter"));
        EXPECT_FALSE(Contains(PaneText(ListingPane), "tune"));
    }
    // Stored last and selected; the stripping rule tests the first character once.
    struct Typed {
        const char* text;
        const char* item;
    } const cases[] = {
        {"*doc", "*.oc"},           // "*" and the character after it, whatever it is
        {"*\xC3\xA9txt", "*.txt"},  // a character of two bytes goes whole
        {"..doc", "*..doc"},
        {"*", "*."},
    };
    Open([&](HWND dialog) {
        ItemList items = {"*.mp3", "*.txt", "*.zip", "*.jpg", "*.doc"};
        EXPECT_EQ(Items(dialog), items);
        EXPECT_EQ(Selected(dialog), 4);
        std::string stored = "mp3,txt,zip,jpg,doc,";
        for (const Typed& t : cases) {
            SCOPED_TRACE(t.text);
            Retype(dialog, t.text);
            driver_.Answer(IDOK);
            Click(dialog, IDC_OPT_APPLY);
            EXPECT_EQ(driver_.boxes.back().text, t.item);
            items.push_back(t.item);
            stored += std::string(t.item + 2) + ",";
            EXPECT_EQ(Items(dialog), items);
            EXPECT_EQ(Selected(dialog), static_cast<int>(items.size()) - 1);
            EXPECT_EQ(CurrentFilter, std::string(t.item));
            EXPECT_EQ(Bytes(), Ini(stored + ":"));
        }
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_EQ(Title(), "Kelvora: *.");
}

TEST_F(OptionsDialogTest, DeclinedAddKeepsListAndFilter) {
    Open([&](HWND dialog) {
        Pick(dialog, 2);
        Retype(dialog, "doc");
        Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
        driver_.Answer(IDCANCEL);
        Click(dialog, IDC_OPT_APPLY);  // declined: the dialog stays open
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_EQ(Selected(dialog), 2);
        EXPECT_EQ(EditText(dialog), "*.zip");
        EXPECT_EQ(FilterEdited, 0);
        EXPECT_EQ(ListingOptions.ListFolderNames, 0);  // the boxes are still applied
        ExpectHotKeysHeld();
        Retype(dialog, "doc");
        driver_.Answer(IDCANCEL);
        Click(dialog, IDC_OPT_OK);  // declined: the dialog ends all the same
    });
    ASSERT_EQ(driver_.boxes.size(), 2u);
    EXPECT_EQ(driver_.boxes[1].caption, "Add String To List?");
    EXPECT_EQ(driver_.boxes[1].text, "*.doc");
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,:"));
    EXPECT_STREQ(CurrentFilter, "*.zip");
    EXPECT_EQ(FilterIndex, 2);
    EXPECT_EQ(Title(), "Kelvora: *.zip");
    Open([&](HWND dialog) {
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_EQ(Selected(dialog), 2);
        Click(dialog, IDC_OPT_CANCEL);
    });
}

// Typing and deleting back to the selected item's text is still a typed filter.
TEST_F(OptionsDialogTest, TypedThenRestoredStillCountsAsTyped) {
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        dialog_ = dialog;
        Type(dialog, "x");
        Type(dialog, "\b");
        EXPECT_EQ(EditText(dialog), "*.mp3");
        Click(dialog, IDC_OPT_OK);
    });
    ExpectQuestion("Add String To List?", "*.mp3");
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,mp3,:"));
    EXPECT_EQ(FilterIndex, 4);
    Open([&](HWND dialog) {
        EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", "*.txt", "*.zip", "*.jpg", "*.mp3"}));
        EXPECT_EQ(Selected(dialog), 4);
        Click(dialog, IDC_OPT_CANCEL);
    });
}

TEST_F(OptionsDialogTest, ApplyWithTypedFilterThenHotKeysStillWork) {
    for (int key : {kHotKeyEscape, kHotKeyEnter}) {
        SCOPED_TRACE(key);
        Store("mp3,txt,zip,jpg,:");
        ListingOptions = kDefaultListingOptions;
        driver_.Answer(IDOK);
        Open([&](HWND dialog) {
            Retype(dialog, "doc");
            Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
            Click(dialog, IDC_OPT_APPLY);
            EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", "*.txt", "*.zip", "*.jpg", "*.doc"}));
            EXPECT_EQ(Selected(dialog), 4);
            EXPECT_EQ(EditText(dialog), "*.doc");
            EXPECT_STREQ(CurrentFilter, "*.doc");
            EXPECT_EQ(ListingOptions.ListFolderNames, 0);
            EXPECT_EQ(FilterEdited, 0);
            ExpectHotKeysHeld();
            HotKey(dialog, key);
        });
        EXPECT_EQ(FindOptionsDialog(), nullptr);
        ASSERT_EQ(driver_.boxes.size(), 1u);  // Enter asks nothing more
        EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,doc,:"));
        EXPECT_EQ(Title(), "Kelvora: *.doc");
    }
}

// ---- The hot keys ----

TEST_F(OptionsDialogTest, EnterAndEscWhateverHasTheFocus) {
    for (int focus : {IDC_OPT_REMOVE, IDC_OPT_CANCEL, IDC_OPT_EXTENSIONS}) {
        SCOPED_TRACE(focus);
        ListingOptions = kDefaultListingOptions;
        Open([&](HWND dialog) {
            Click(dialog, IDC_OPT_INCLUDE_EXTENSIONS);
            SetFocus(GetDlgItem(dialog, focus));
            HotKey(dialog, kHotKeyEnter);  // as "OK"
        });
        EXPECT_TRUE(driver_.boxes.empty());
        EXPECT_EQ(ListingOptions.IncludeExtensions, 1);
    }
    // Enter while typing asks the question.
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        Retype(dialog, "doc");
        HotKey(dialog, kHotKeyEnter);
    });
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].text, "*.doc");
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,doc,:"));
    // Esc with the drop-down list open, after typing: closed without a question.
    Open([&](HWND dialog) {
        Retype(dialog, "gif");
        SendMessageA(GetDlgItem(dialog, IDC_OPT_EXTENSIONS), CB_SHOWDROPDOWN, TRUE, 0);
        HotKey(dialog, kHotKeyEscape);
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,doc,:"));
    // The next opening asks nothing on "OK", and "Remove" works at once.
    driver_.Answer(IDCANCEL);
    Open([&](HWND dialog) {
        EXPECT_EQ(FilterEdited, 0);
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_EQ(driver_.boxes.size(), 1u);
        Click(dialog, IDC_OPT_OK);
    });
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].caption, "Remove String From List?");
}

// Real key presses: the system turns them into the hot keys, whatever has the focus.
TEST_F(OptionsDialogTest, RealEnterAndEscKeys) {
    ListingOptions = kDefaultListingOptions;
    Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_INCLUDE_EXTENSIONS);
        SetFocus(GetDlgItem(dialog, IDC_OPT_REMOVE));  // Enter here would press "Remove"
        PressKey(VK_RETURN);
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_EQ(ListingOptions.IncludeExtensions, 1);
    Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_INCLUDE_EXTENSIONS);
        SetFocus(GetDlgItem(dialog, IDC_OPT_OK));
        PressKey(VK_ESCAPE);
    });
    EXPECT_TRUE(driver_.boxes.empty());
    EXPECT_EQ(ListingOptions.IncludeExtensions, 1);
}

// Esc and Enter are system hot keys: the dialog holds them only while it is the active
// window, so that Enter typed into another window goes there and does not end the
// dialog behind the user's back.
TEST_F(OptionsDialogTest, HotKeysOnlyWhileTheDialogIsTheActiveWindow) {
    HWND other = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE, 0,
                                 0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    auto text = [other] {
        char buffer[64] = "";
        GetWindowTextA(other, buffer, sizeof buffer);
        return std::string(buffer);
    };
    Open([&](HWND dialog) {
        ExpectHotKeysHeld();
        SetForegroundWindow(other);
        SetFocus(other);
        ASSERT_EQ(GetActiveWindow(), other);
        EXPECT_FALSE(driver_.EscapeHeld());
        EXPECT_FALSE(driver_.EnterHeld());
        PressKey(VK_RETURN);
        for (int round = 0; round < 300 && text().empty(); ++round) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
        EXPECT_EQ(text(), "\r\n");
        EXPECT_EQ(FindOptionsDialog(), dialog);  // still open
        SetForegroundWindow(dialog);
        ExpectHotKeysHeld();
        PressKey(VK_RETURN);  // the dialog's again: as "OK"
    });
    EXPECT_EQ(FindOptionsDialog(), nullptr);
    EXPECT_TRUE(driver_.boxes.empty());
    DestroyWindow(other);
}

// ---- Remove ----

TEST_F(OptionsDialogTest, TypingThenRemoveDoesNothing) {
    Open([&](HWND dialog) {
        Retype(dialog, "doc");
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_EQ(EditText(dialog), "doc");
        // Typed into the open list, the text of an item is still only typed.
        HWND box = GetDlgItem(dialog, IDC_OPT_EXTENSIONS);
        SendMessageA(box, CB_SHOWDROPDOWN, TRUE, 0);
        Retype(dialog, "*.zip");
        SendMessageA(box, CB_SHOWDROPDOWN, FALSE, 0);
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_TRUE(driver_.boxes.empty());
        // A selection from the list replaces the typed text: "Remove" works again.
        Pick(dialog, 1);
        EXPECT_EQ(FilterEdited, 0);
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_EQ(driver_.boxes.size(), 1u);
        HotKey(dialog, kHotKeyEscape);
    });
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,:"));
    EXPECT_STREQ(CurrentFilter, "*.txt");
}

TEST_F(OptionsDialogTest, RemoveAnsweredCancelThenOk) {
    Open([&](HWND dialog) {
        dialog_ = dialog;
        Pick(dialog, 1);
        driver_.Answer(IDCANCEL);
        Click(dialog, IDC_OPT_REMOVE);
        ExpectQuestion("Remove String From List?", "*.txt");
        EXPECT_EQ(Items(dialog), kDefaultItems);
        EXPECT_EQ(Selected(dialog), 1);
        EXPECT_STREQ(CurrentFilter, "*.txt");
        EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,:"));
        ExpectHotKeysHeld();

        driver_.boxes.clear();
        driver_.Answer(IDOK);
        Click(dialog, IDC_OPT_REMOVE);
        ExpectQuestion("Remove String From List?", "*.txt");
        EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", "*.zip", "*.jpg"}));
        EXPECT_EQ(Selected(dialog), 0);
        EXPECT_EQ(EditText(dialog), "*.mp3");
        EXPECT_STREQ(CurrentFilter, "*.mp3");
        EXPECT_EQ(FilterIndex, 0);
        EXPECT_EQ(Bytes(), Ini("mp3,zip,jpg,:"));
        ExpectHotKeysHeld();
        HotKey(dialog, kHotKeyEscape);  // "Cancel" does not undo it
    });
    EXPECT_EQ(Bytes(), Ini("mp3,zip,jpg,:"));
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_REMOVE);
        HotKey(dialog, kHotKeyEnter);
    });
    EXPECT_EQ(Bytes(), Ini("zip,jpg,:"));
    EXPECT_EQ(Title(), "Kelvora: *.zip");
}

TEST_F(OptionsDialogTest, RemovingTheLastItem) {
    Store("mp3,:");
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_TRUE(Items(dialog).empty());
        EXPECT_EQ(Selected(dialog), CB_ERR);
        EXPECT_STREQ(CurrentFilter, "*.mp3");
        // Nothing left to remove: asked about the empty field all the same; agreeing
        // changes nothing.
        driver_.Answer(IDOK);
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_STREQ(CurrentFilter, "*.mp3");
        Click(dialog, IDC_OPT_CANCEL);
    });
    ASSERT_EQ(driver_.boxes.size(), 2u);
    EXPECT_EQ(driver_.boxes[1].caption, "Remove String From List?");
    EXPECT_EQ(driver_.boxes[1].text, "");
    EXPECT_EQ(Bytes(), Ini(":"));
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
    Open([&](HWND dialog) {
        EXPECT_TRUE(Items(dialog).empty());
        EXPECT_STREQ(CurrentFilter, "*.");
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_EQ(Title(), "Kelvora: *.");
}

// The list was shortened by hand since FilterIndex was set: the dialog opens with
// nothing selected. "Remove" asks about the empty field, and agreeing selects the first
// item and changes neither the list nor the file.
TEST_F(OptionsDialogTest, RemoveWithNothingSelectedOnlySelectsTheFirstItem) {
    Open([&](HWND dialog) {
        Pick(dialog, 3);
        Click(dialog, IDC_OPT_CANCEL);
    });
    ASSERT_TRUE(WriteWholeFile(file_, Ini("mp3,txt,:")));
    ForgetCachedFile();
    for (int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer);
        driver_.Answer(answer);
        Open([&](HWND dialog) {
            dialog_ = dialog;
            EXPECT_EQ(Selected(dialog), CB_ERR);
            EXPECT_STREQ(CurrentFilter, "*.");
            Click(dialog, IDC_OPT_REMOVE);
            ExpectQuestion("Remove String From List?", "");
            EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", "*.txt"}));
            EXPECT_EQ(Selected(dialog), answer == IDOK ? 0 : CB_ERR);
            EXPECT_EQ(FilterIndex, answer == IDOK ? 0 : 3);
            EXPECT_STREQ(CurrentFilter, answer == IDOK ? "*.mp3" : "*.");
            ExpectHotKeysHeld();
            Click(dialog, IDC_OPT_CANCEL);
        });
        EXPECT_EQ(Bytes(), Ini("mp3,txt,:"));
    }
    EXPECT_EQ(Title(), "Kelvora: *.mp3");
}

// A hand-written entry too long for a filter shows cut; it is no filter, and removing
// it removes the whole entry.
TEST_F(OptionsDialogTest, OverlongHandWrittenEntryIsNoFilterAndGoesWhole) {
    const std::string entry(60, 'x');
    const std::string shown = "*." + std::string(47, 'x');
    Store("mp3," + entry + ",txt,:");
    Open([&](HWND dialog) {
        EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", shown, "*.txt"}));
        Pick(dialog, 1);
        EXPECT_EQ(FilterIndex, 1);
        EXPECT_STREQ(CurrentFilter, "*.");
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_EQ(Title(), "Kelvora: *.");
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        EXPECT_EQ(Selected(dialog), 1);  // opens on it: still no filter
        EXPECT_STREQ(CurrentFilter, "*.");
        Click(dialog, IDC_OPT_REMOVE);
        EXPECT_EQ(driver_.boxes.back().text, shown);
        EXPECT_EQ(Items(dialog), (ItemList{"*.mp3", "*.txt"}));
        EXPECT_STREQ(CurrentFilter, "*.mp3");
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_EQ(Bytes(), Ini("mp3,txt,:"));
}

TEST_F(OptionsDialogTest, DuplicateRemovedFirstStoredFirst) {
    for (int item : {0, 2}) {
        SCOPED_TRACE(item);
        Store("mp3,txt,mp3,:");
        driver_.Answer(IDOK);
        Open([&](HWND dialog) {
            Pick(dialog, item);
            Click(dialog, IDC_OPT_REMOVE);
            EXPECT_EQ(Items(dialog).size(), 2u);
            Click(dialog, IDC_OPT_CANCEL);
        });
        EXPECT_EQ(Bytes(), Ini("txt,mp3,:"));
    }
}

// ---- Extensions that cannot be stored ----

TEST_F(OptionsDialogTest, RefusedExtensionsLeaveEverythingAsItWas) {
    std::string full;  // 5 entries of 47 characters and the ":": 241 characters
    for (char c = 'a'; c < 'f'; ++c)
        full += std::string(47, c) + ",";
    full += ":";
    struct Refusal {
        std::string typed;
        std::vector<std::string> says;
    };
    const std::vector<Refusal> onDefault = {
        {std::string(48, 'x'), {"too long", "at most 47 characters"}},
        {"*." + std::string(48, 'x'), {"too long", "at most 47 characters"}},
        {"*.a,b", {"\"*.a,b\"", "comma"}},
        {".a:b", {"\"*.a:b\"", "colon"}},
        {"a\tb", {"control character"}},
        // 24 characters of two bytes: the limit is in bytes, and the message says so.
        {[] {
             std::string e;
             for (int i = 0; i < 24; ++i)
                 e += "\xC3\xA9";
             return e;
         }(),
         {"too long", "at most 47 bytes"}},
    };
    // The profile functions drop blanks at the start of a value when they read it.
    const std::vector<Refusal> onEmpty = {
        {" doc", {"\"*. doc\"", "begins with a blank"}},
    };
    const std::vector<Refusal> onFull = {
        {"abcdefghijklmn", {"\"*.abcdefghijklmn\"", "full", "255"}},
    };
    // "OK", "Apply" and Enter in turn: each refusal leaves the dialog open.
    const std::function<void(HWND)> ways[] = {
        [](HWND d) { Click(d, IDC_OPT_OK); },
        [](HWND d) { Click(d, IDC_OPT_APPLY); },
        [](HWND d) { HotKey(d, kHotKeyEnter); },
    };
    struct Run {
        std::string stored;
        const std::vector<Refusal>& refusals;
    } const runs[] = {{":", onEmpty}, {"mp3,txt,zip,jpg,:", onDefault}, {full, onFull}};
    for (const Run& run : runs) {
        Store(run.stored);
        const std::string bytes = Bytes();
        const FILETIME written = LastWrite(file_);
        const std::string filter = CurrentFilter;
        ListingOptions = kDefaultListingOptions;
        Open([&](HWND dialog) {
            const ItemList items = Items(dialog);
            Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
            size_t way = 0;
            for (const Refusal& r : run.refusals) {
                SCOPED_TRACE(r.typed);
                driver_.boxes.clear();
                SetTyped(dialog, r.typed);
                ways[way++ % 3](dialog);
                ASSERT_EQ(driver_.boxes.size(), 1u);
                const SeenBox& box = driver_.boxes[0];
                EXPECT_EQ(box.caption, "Options");
                EXPECT_EQ(box.owner, dialog);
                EXPECT_TRUE(box.hotKeysFree);
                for (const std::string& part : r.says)
                    EXPECT_TRUE(Contains(box.text, part)) << box.text;
                EXPECT_EQ(FindOptionsDialog(), dialog);
                EXPECT_EQ(EditText(dialog), r.typed);
                EXPECT_EQ(Items(dialog), items);
                EXPECT_EQ(FilterEdited, 1);
                EXPECT_EQ(CurrentFilter, filter);
                EXPECT_EQ(ListingOptions.ListFolderNames, 1);  // nothing applied
                ExpectHotKeysHeld();
            }
            Click(dialog, IDC_OPT_CANCEL);
        });
        const FILETIME after = LastWrite(file_);
        EXPECT_EQ(Bytes(), bytes);
        EXPECT_EQ(CompareFileTime(&written, &after), 0);  // not even rewritten
        EXPECT_EQ(CurrentFilter, filter);
    }
    // The longest addition that fits is asked about and stored.
    driver_.boxes.clear();
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        SetTyped(dialog, "abcdefghijklm");
        Click(dialog, IDC_OPT_OK);
    });
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].caption, "Add String To List?");
    EXPECT_EQ(Bytes(), Ini(full.substr(0, full.size() - 1) + "abcdefghijklm,:"));
}

// ---- A settings file that cannot be written ----

// A start folder in which the settings file cannot be created (Linux's /sys refuses new
// files even to root): said once, at start-up, with the file's full path.
TEST_F(OptionsDialogTest, UncreatableSettingsFileIsSaidOnceAtStartUp) {
    DestroyWindow(MainWindow);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\sys"));
    FontDialogGate = 0;  // as at process start
    driver_.AnswerBoxesWhile([] { CreateMainWindow(GetModuleHandleA(nullptr)); });
    ASSERT_NE(MainWindow, nullptr);
    ASSERT_EQ(driver_.boxes.size(), 1u);
    const SeenBox& box = driver_.boxes[0];
    EXPECT_EQ(box.caption, "Kelvora");
    EXPECT_TRUE(Contains(box.text, "could not create its settings file")) << box.text;
    EXPECT_TRUE(Contains(box.text, "Z:\\sys\\Kelvora.ini")) << box.text;
    EXPECT_EQ(box.owner, MainWindow);
    EXPECT_EQ(Title(), "Kelvora: *.");
    Open([&](HWND dialog) {
        EXPECT_TRUE(Items(dialog).empty());
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_TRUE(driver_.boxes.empty());

    // A typed filter is still taken, for this run, with the boxes; the failed write is
    // said.
    driver_.Answer(IDOK);
    Open([&](HWND dialog) {
        Retype(dialog, "doc");
        Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
        Click(dialog, IDC_OPT_OK);
    });
    ASSERT_EQ(driver_.boxes.size(), 2u);
    EXPECT_TRUE(Contains(driver_.boxes[1].text, "Z:\\sys\\Kelvora.ini")) << driver_.boxes[1].text;
    EXPECT_TRUE(Contains(driver_.boxes[1].text, "\"*.doc\" is used until Kelvora ends"))
        << driver_.boxes[1].text;
    EXPECT_EQ(FindOptionsDialog(), nullptr);
    EXPECT_EQ(Title(), "Kelvora: *.doc");
    EXPECT_EQ(ListingOptions.ListFolderNames, 0);
    Open([&](HWND dialog) {
        EXPECT_EQ(Items(dialog), ItemList{"*.doc"});
        EXPECT_EQ(Selected(dialog), 0);
        Click(dialog, IDC_OPT_CANCEL);
    });
    EXPECT_EQ(Title(), "Kelvora: *.doc");
}

TEST_F(OptionsDialogTest, UnwritableSettingsFileIsReported) {
    const std::string bytes = Bytes();
    auto expectReport = [&](const SeenBox& box) {
        EXPECT_EQ(box.caption, "Options");
        EXPECT_TRUE(Contains(box.text, "could not be written")) << box.text;
        EXPECT_TRUE(Contains(box.text, file_)) << box.text;
        EXPECT_TRUE(box.hotKeysFree);
    };
    auto script = [&](HWND dialog) {
        // A confirmed addition that the file cannot keep: reported, and taken for this run
        // all the same, with the boxes.
        Retype(dialog, "doc");
        Click(dialog, IDC_OPT_LIST_FOLDER_NAMES);
        driver_.Answer(IDOK);
        driver_.Answer(IDOK);
        Click(dialog, IDC_OPT_APPLY);
        ASSERT_EQ(driver_.boxes.size(), 2u);
        EXPECT_EQ(driver_.boxes[0].caption, "Add String To List?");
        expectReport(driver_.boxes[1]);
        EXPECT_EQ(driver_.boxes[1].owner, dialog);
        const ItemList withDoc = {"*.mp3", "*.txt", "*.zip", "*.jpg", "*.doc"};
        EXPECT_EQ(Items(dialog), withDoc);
        EXPECT_EQ(Selected(dialog), 4);
        EXPECT_EQ(FilterEdited, 0);
        EXPECT_STREQ(CurrentFilter, "*.doc");
        EXPECT_EQ(FilterIndex, 4);
        EXPECT_EQ(ListingOptions.ListFolderNames, 0);
        ExpectHotKeysHeld();
        // A confirmed removal that fails: reported, the list still shows the file.
        Pick(dialog, 1);
        driver_.Answer(IDOK);
        driver_.Answer(IDOK);
        Click(dialog, IDC_OPT_REMOVE);
        ASSERT_EQ(driver_.boxes.size(), 4u);
        EXPECT_EQ(driver_.boxes[2].caption, "Remove String From List?");
        expectReport(driver_.boxes[3]);
        EXPECT_EQ(Items(dialog), withDoc);
        EXPECT_EQ(Selected(dialog), 1);
        EXPECT_STREQ(CurrentFilter, "*.txt");
        ExpectHotKeysHeld();
        // The run's own extension goes without a write.
        Pick(dialog, 4);
        driver_.Answer(IDOK);
        Click(dialog, IDC_OPT_REMOVE);
        ASSERT_EQ(driver_.boxes.size(), 5u);
        EXPECT_EQ(Items(dialog), kDefaultItems);
        Click(dialog, IDC_OPT_CANCEL);
    };

    ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    Open(script);
    EXPECT_EQ(Bytes(), bytes);
    SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Another program holds the file open and lets no one write it.
    HANDLE holder = CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FilterIndex = 0;
    CopyText(CurrentFilter, kFilterCapacity, "*.mp3");
    ListingOptions = kDefaultListingOptions;
    Open(script);
    CloseHandle(holder);
    EXPECT_EQ(Bytes(), bytes);
}

}  // namespace

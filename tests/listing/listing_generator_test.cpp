// The listing generator against real folders on disk, a real tree view and a real
// Rich Edit pane: the worked example, its variations and the cases that break
// generators.
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>

#include "base/bounded_text.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/listing_pane.h"
#include "listing/listing_rtf.h"
#include "listing/listing_text.h"
#include "listing/text_styles.h"
#include "settings/current_filter.h"
#include "support/fake_directory.h"
#include "support/panes.h"
#include "support/temp_folder.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

struct Line {
    bool heading;
    std::string text;
};

class Listing : public ::testing::Test {
protected:
    void SetUp() override {
        ListingOptions = kDefaultListingOptions;
        CopyText(CurrentFilter, sizeof CurrentFilter, "*.mp3");
        FontDialogGate = 0;
        SetUpTextStyles(nullptr);
    }

    // C:\Empty, C:\Music and C:\Music\Live of the example, in a fresh folder.
    void MakeExample() {
        temp.MakeFile("Empty\\notes.txt");
        temp.MakeFile("Music\\Best_Of.mp3");
        temp.MakeFile("Music\\cover.jpg");
        temp.MakeFile("Music\\intro.mp3");
        temp.MakeFile("Music\\Live\\encore_1.mp3");
        empty = AddPathNodes(temp / "Empty");
        music = AddPathNodes(temp / "Music");
        live = AddPathNodes(temp / "Music\\Live");
        for (HTREEITEM node : {empty, music, live})
            Mark(node);
    }

    static void Mark(HTREEITEM node) {
        TreeSetImages(TreePane, node, ListedFolder, ListedFolderOpen);
    }

    // The Music items as the directory search reports them, spelled by a function.
    std::vector<std::string> MusicItems(std::string (*spell)(std::string)) {
        std::vector<std::string> names;
        for (const std::string& n : FilesInSearchOrder(temp / "Music", "*.mp3")) {
            names.push_back(spell(n));
        }
        return names;
    }

    static std::string Plain(std::string name) {
        name = name.substr(0, name.rfind('.'));
        for (char& c : name)
            c = c == '_' ? ' ' : c;
        return name;
    }

    // Checks text and style of every paragraph: the first is the empty one.
    void ExpectPane(const std::vector<Line>& lines, bool firstInFolderStyle = true) {
        std::vector<Paragraph> got = ReadParagraphs(ListingPane);
        ASSERT_EQ(got.size(), lines.size() + 1) << PaneText(ListingPane);
        EXPECT_EQ(got[0].text, "");
        EXPECT_EQ(got[0].bold, firstInFolderStyle);
        for (size_t i = 0; i < lines.size(); ++i) {
            const Paragraph& p = got[i + 1];
            std::string want = lines[i].heading ? "    " + lines[i].text : lines[i].text;
            EXPECT_EQ(p.text, want) << "paragraph " << i + 2;
            EXPECT_EQ(p.bold, lines[i].heading) << "paragraph " << i + 2;
            EXPECT_EQ(p.face, "MS Sans Serif") << "paragraph " << i + 2;
            EXPECT_EQ(p.height, 192) << "paragraph " << i + 2;
        }
    }

    std::vector<Line> ExampleLines(const std::string& musicHeading, const std::string& liveHeading,
                                   std::string (*spell)(std::string) = Plain,
                                   const std::string& encore = "encore 1") {
        std::vector<Line> lines = {{true, musicHeading}};
        for (const std::string& item : MusicItems(spell))
            lines.push_back({false, item});
        lines.push_back({true, liveHeading});
        lines.push_back({false, encore});
        return lines;
    }

    LONG Caret() {
        CHARRANGE r;
        SendMessageA(ListingPane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
        EXPECT_EQ(r.cpMin, r.cpMax) << "nothing is left selected";
        return r.cpMax;
    }

    TestPanes panes;
    TempFolder temp;
    HTREEITEM empty = nullptr, music = nullptr, live = nullptr;
};

TEST_F(Listing, WorkedExampleGivesHeadingsAndItemsInTreeOrderWithTheirStyles) {
    MakeExample();
    RegenerateListing();
    ASSERT_EQ(MusicItems(Plain).size(), 2u);
    ExpectPane(ExampleLines("Music", "Live"));
    // The underscore pass leaves the caret right after the last replaced underscore.
    EXPECT_EQ(Caret(), static_cast<LONG>(Wide(PaneText(ListingPane)).size()) - 1);
}

TEST_F(Listing, CompleteFolderPathAndCaseRulesShapeTheHeadings) {
    MakeExample();
    ListingOptions.CompleteFolderPath = 1;
    RegenerateListing();
    ExpectPane(ExampleLines(temp / "Music", temp / "Music\\Live"));
    EXPECT_STREQ(CurrentPath, (temp / "Music\\Live\\").c_str())
        << "CurrentPath keeps its backslash";

    // The names here are ASCII: their capitals are known without the system.
    auto upper = [](std::string s) {
        for (char& c : s)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return s;
    };
    ListingOptions.FoldersUpperCase = 1;
    RegenerateListing();
    ExpectPane(ExampleLines(upper(temp / "Music"), upper(temp / "Music\\Live")));

    ListingOptions.CompleteFolderPath = 0;
    ListingOptions.FoldersUpperCase = 0;
    ListingOptions.FoldersLowerCase = 1;
    RegenerateListing();
    ExpectPane(ExampleLines("music", "live"));
    EXPECT_EQ(NodeText(music), "Music") << "the tree keeps its own text";
}

TEST_F(Listing, IncludeExtensionsKeepsThemAndUpperCaseWinsOverLowerForItems) {
    MakeExample();
    ListingOptions.IncludeExtensions = 1;
    RegenerateListing();
    auto withExtension = [](std::string s) {
        for (char& c : s)
            c = c == '_' ? ' ' : c;
        return s;
    };
    ExpectPane(ExampleLines("Music", "Live", withExtension, "encore 1.mp3"));

    ListingOptions.IncludeExtensions = 0;
    ListingOptions.ItemsUpperCase = 1;
    ListingOptions.ItemsLowerCase = 1;
    RegenerateListing();
    auto upper = [](std::string s) {
        s = Plain(s);
        for (char& c : s)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return s;
    };
    ExpectPane(ExampleLines("Music", "Live", upper, "ENCORE 1"));
    const std::vector<std::string> items = MusicItems(upper);
    EXPECT_TRUE(items == (std::vector<std::string>{"BEST OF", "INTRO"}) ||
                items == (std::vector<std::string>{"INTRO", "BEST OF"}));
}

TEST_F(Listing, IncludeEmptyFoldersGivesEmptyItsHeading) {
    MakeExample();
    ListingOptions.IncludeEmptyFolders = 1;
    RegenerateListing();
    std::vector<Line> lines = ExampleLines("Music", "Live");
    lines.insert(lines.begin(), {true, "Empty"});
    ExpectPane(lines);
}

TEST_F(Listing, UnderscoresStayWhenTheOptionIsOffAndTheCaretEndsAtTheEnd) {
    MakeExample();
    ListingOptions.UnderScoreToSpace = 0;
    RegenerateListing();
    auto raw = [](std::string s) { return s.substr(0, s.rfind('.')); };
    ExpectPane(ExampleLines("Music", "Live", raw, "encore_1"));
    EXPECT_EQ(Caret(), static_cast<LONG>(Wide(PaneText(ListingPane)).size()));
}

TEST_F(Listing, WithoutFolderNamesTheItemsRunOnAfterAnEmptyItemStyleParagraph) {
    MakeExample();
    ListingOptions.ListFolderNames = 0;
    RegenerateListing();
    std::vector<Line> lines;
    for (const std::string& item : MusicItems(Plain))
        lines.push_back({false, item});
    lines.push_back({false, "encore 1"});
    ExpectPane(lines, /*firstInFolderStyle=*/false);
}

TEST_F(Listing, OnlyFoldersWithAMatchingFileGetAHeadingWhenItemsAreOff) {
    MakeExample();
    ListingOptions.ListItemNames = 0;
    RegenerateListing();
    ExpectPane({{true, "Music"}, {true, "Live"}});
}

TEST_F(Listing, NothingListedOrNothingAskedForLeavesThePaneEmpty) {
    MakeExample();
    ListingOptions.ListFolderNames = 0;
    ListingOptions.ListItemNames = 0;
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");

    ListingOptions = kDefaultListingOptions;
    for (HTREEITEM node : {empty, music, live})
        TreeSetImages(TreePane, node, FolderClosed, FolderOpen);
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");
}

TEST_F(Listing, AFolderNamedLikeAnItemIsNeitherAnItemNorAReasonForAHeading) {
    temp.MakeFolder("Only\\old.mp3");
    temp.MakeFile("Only\\old.mp3\\inner.mp3");
    Mark(AddPathNodes(temp / "Only"));
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");
}

TEST_F(Listing, HiddenAndSystemFilesAreListedLikeAnyOther) {
    temp.MakeFile("Songs\\secret.mp3");
    ASSERT_TRUE(SetFileAttributesA((temp / "Songs\\secret.mp3").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const DWORD set = GetFileAttributesA((temp / "Songs\\secret.mp3").c_str());
    ASSERT_NE(set, INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(set & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    Mark(AddPathNodes(temp / "Songs"));
    RegenerateListing();
    ExpectPane({{true, "Songs"}, {false, "secret"}});
}

TEST_F(Listing, OnlyTheLastExtensionGoesAndANameWithoutOneStays) {
    temp.MakeFile("Archives\\archive.tar.gz");
    Mark(AddPathNodes(temp / "Archives"));
    CopyText(CurrentFilter, sizeof CurrentFilter, "*.gz");
    RegenerateListing();
    ExpectPane({{true, "Archives"}, {false, "archive.tar"}});
}

TEST_F(Listing, ANameWithoutADotKeepsItsWholeName) {
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("Plain")});
    disk.SetEntries("C:\\Plain\\", {FakeDirectory::File("README")});
    HTREEITEM drive = TreeInsert(TreePane, RootNode, TVI_LAST, "C:\\", FixedDrive, FixedDrive);
    Mark(TreeInsert(TreePane, drive, TVI_LAST, "Plain", FolderClosed, FolderOpen));
    CopyText(CurrentFilter, sizeof CurrentFilter, "*.");
    RegenerateListing();
    ExpectPane({{true, "Plain"}, {false, "README"}});
}

// NTFS takes names of 255 UTF-16 units, which need up to 765 bytes in UTF-8: more
// than an 8-bit search record holds. Linux takes no name over 255 bytes, so they come
// from the stand-in, between ordinary entries.
TEST_F(Listing, NamesLongerThanAnEightBitSearchRecordAreShownAndListedWhole) {
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += "\xE6\x97\xA5";  // 100 times the same kanji: 300 bytes
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("Top")});
    disk.SetEntries("C:\\Top\\",
                    {FakeDirectory::File("a.mp3"), FakeDirectory::Folder(longName),
                     FakeDirectory::File(longName + ".mp3"), FakeDirectory::Folder("z")});
    disk.SetEntries("C:\\Top\\" + longName + "\\", {FakeDirectory::File("inside.mp3")});
    HTREEITEM drive = TreeInsert(TreePane, RootNode, TVI_LAST, "C:\\", FixedDrive, FixedDrive);
    HTREEITEM top = TreeInsert(TreePane, drive, TVI_LAST, "Top", FolderClosed, FolderOpen);
    ASSERT_TRUE(BuildNodePath(top));
    PopulateNode(top);
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"z", longName}));
    Mark(top);
    Mark(FindChild(top, longName));
    RegenerateListing();
    // The heading keeps the cut of its 256-byte buffer, at a character boundary.
    ExpectPane({{true, "Top"},
                {false, "a"},
                {false, longName},
                {true, longName.substr(0, 255)},
                {false, "inside"}});
}

// Upper and lower case go through UTF-16, so that letters whose other case takes
// more or fewer bytes in UTF-8 come out whole, as the system's wide case tables map
// the whole name.
TEST_F(Listing, UpperAndLowerCaseKeepNamesValidForLettersOfEveryLength) {
    const std::vector<std::string> names = {
        "\xC4\xB1stanbul",  // dotless i
        "\xC4\xB0zmir",     // capital I with a dot
        "\xC5\xBFtra\xC3\x9F"
        "e",  // long s, sharp s
        "\xE2\x84\xAA"
        "elvin",                       // Kelvin sign
        "\xC3\x89t\xC3\xA9 \xC3\xA0",  // accented letters
        "\xC8\xBF"
        "x",  // s with swash tail, whose capital takes 3 bytes
    };
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    std::vector<FakeDirectory::Entry> files;
    for (const std::string& name : names)
        files.push_back(FakeDirectory::File(name + ".mp3"));
    disk.SetEntries("C:\\", {FakeDirectory::Folder("\xC4\xB1\xC5\xBF\xE2\x84\xAA")});
    disk.SetEntries("C:\\\xC4\xB1\xC5\xBF\xE2\x84\xAA\\", files);
    HTREEITEM drive = TreeInsert(TreePane, RootNode, TVI_LAST, "C:\\", FixedDrive, FixedDrive);
    Mark(TreeInsert(TreePane, drive, TVI_LAST, "\xC4\xB1\xC5\xBF\xE2\x84\xAA", FolderClosed,
                    FolderOpen));
    auto wideCase = [](const std::string& name, bool upper) {
        std::wstring w = Wide(name);
        upper ? CharUpperBuffW(&w[0], static_cast<DWORD>(w.size()))
              : CharLowerBuffW(&w[0], static_cast<DWORD>(w.size()));
        return Utf8(w);
    };
    for (bool upper : {true, false}) {
        ListingOptions.ItemsUpperCase = ListingOptions.FoldersUpperCase = upper;
        ListingOptions.ItemsLowerCase = ListingOptions.FoldersLowerCase = !upper;
        RegenerateListing();
        std::vector<Line> lines = {{true, wideCase("\xC4\xB1\xC5\xBF\xE2\x84\xAA", upper)}};
        for (const std::string& name : names)
            lines.push_back({false, wideCase(name, upper)});
        ExpectPane(lines);
        const std::string text = PaneText(ListingPane);
        EXPECT_GT(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0),
                  0);
        EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << "no replacement character";
    }
}

TEST_F(Listing, AListedDriveShowsItsOwnTextWithOrWithoutCompletePaths) {
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::File("song.mp3"), FakeDirectory::Folder("x.mp3")});
    HTREEITEM drive =
        TreeInsert(TreePane, RootNode, TVI_LAST, "C:\\", ListedFixedDrive, ListedFixedDrive);
    (void)drive;
    RegenerateListing();
    ExpectPane({{true, "C:\\"}, {false, "song"}});
    ListingOptions.CompleteFolderPath = 1;
    RegenerateListing();
    ExpectPane({{true, "C:\\"}, {false, "song"}});
    EXPECT_EQ(disk.openSearches, 0) << "every search is closed";
}

TEST_F(Listing, ListedNodesBelowCollapsedOrUnlistedAncestorsAreListed) {
    MakeExample();
    TreeSetImages(TreePane, music, FolderClosed, FolderOpen);
    TreeExpand(TreePane, music, TVE_COLLAPSE);
    RegenerateListing();
    ExpectPane({{true, "Live"}, {false, "encore 1"}});
}

TEST_F(Listing, AVanishedFolderContributesNothingOrOnlyItsHeading) {
    MakeExample();
    DeleteFileA((temp / "Music\\Live\\encore_1.mp3").c_str());
    RemoveDirectoryA((temp / "Music\\Live").c_str());
    ListingOptions.ListFolderNames = 1;
    RegenerateListing();
    std::vector<Line> lines = ExampleLines("Music", "Live");
    lines.resize(lines.size() - 2);
    ExpectPane(lines);
    ListingOptions.IncludeEmptyFolders = 1;
    RegenerateListing();
    lines.insert(lines.begin(), {true, "Empty"});
    lines.push_back({true, "Live"});
    ExpectPane(lines);
}

TEST_F(Listing, ANodeTextOverTheHeadingBufferIsCutAtACharacterBoundary) {
    ListingOptions.IncludeEmptyFolders = 1;
    HTREEITEM parent = AddPathNodes(temp.Path());
    std::string ascii(300, 'a');
    Mark(TreeInsert(TreePane, parent, TVI_LAST, ascii.c_str(), 0, 1));
    std::string accented;
    for (int i = 0; i < 130; ++i)
        accented += "\xC3\xA9";  // 130 times e-acute, 260 bytes
    Mark(TreeInsert(TreePane, parent, TVI_LAST, accented.c_str(), 0, 1));
    RegenerateListing();
    std::vector<Paragraph> got = ReadParagraphs(ListingPane);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].text, "    " + std::string(255, 'a'));
    EXPECT_EQ(got[2].text, "    " + accented.substr(0, 254));
}

TEST_F(Listing, TwoRegenerationsGiveTheSameTextAndStylesAndDropTypedText) {
    MakeExample();
    RegenerateListing();
    std::vector<Paragraph> first = ReadParagraphs(ListingPane);
    SendMessageA(ListingPane, EM_SETSEL, 0, 0);
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed by hand"));
    RegenerateListing();
    std::vector<Paragraph> second = ReadParagraphs(ListingPane);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].text, second[i].text);
        EXPECT_EQ(first[i].bold, second[i].bold);
    }
    EXPECT_EQ(PaneText(ListingPane).find("typed by hand"), std::string::npos);
}

TEST_F(Listing, UnderscoresInFolderNamesAndPathsBecomeSpacesToo) {
    temp.MakeFile("My_Songs\\a_b.mp3");
    Mark(AddPathNodes(temp / "My_Songs"));
    ListingOptions.CompleteFolderPath = 1;
    RegenerateListing();
    std::string heading = temp / "My Songs";
    ExpectPane({{true, heading}, {false, "a b"}});
}

// Everything a user or another part of the program can see of the pane.
struct PaneState {
    std::string text, rtf, insertion;
    std::vector<std::string> formats;  // of every character
    CHARRANGE selection;
    LRESULT limit, eventMask, canUndo, firstLine;
    bool typingUndoes;
    RECT place;
    bool visible;
};

std::string FormatBytes(const CHARFORMATA& f) {
    char b[200];
    snprintf(b, sizeof b,
             "mask %lx effects %lx height %ld offset %ld colour %lx set %d pitch %d %s", f.dwMask,
             f.dwEffects, f.yHeight, f.yOffset, f.crTextColor, f.bCharSet, f.bPitchAndFamily,
             f.szFaceName);
    return b;
}

DWORD CALLBACK CollectRtf(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* done) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(bytes), count);
    *done = count;
    return 0;
}

PaneState ReadState(HWND pane) {
    PaneState s;
    s.text = PaneText(pane);
    EDITSTREAM out = {reinterpret_cast<DWORD_PTR>(&s.rtf), 0, CollectRtf};
    SendMessageA(pane, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&out));
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&s.selection));
    CHARFORMATA f = {};
    f.cbSize = sizeof f;
    SendMessageA(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    s.insertion = FormatBytes(f);
    const LONG length = static_cast<LONG>(Wide(s.text).size());
    for (LONG i = 0; i <= length; ++i) {
        CHARRANGE one = {i, i + 1};
        SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
        SendMessageA(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
        s.formats.push_back(FormatBytes(f));
    }
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&s.selection));
    s.limit = SendMessageA(pane, EM_GETLIMITTEXT, 0, 0);
    s.eventMask = SendMessageA(pane, EM_GETEVENTMASK, 0, 0);
    s.canUndo = SendMessageA(pane, EM_CANUNDO, 0, 0);
    s.firstLine = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    // What the user types next can be undone.
    SendMessageA(pane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    s.typingUndoes = SendMessageA(pane, EM_UNDO, 0, 0) != 0 && PaneText(pane) == s.text;
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&s.selection));
    GetWindowRect(pane, &s.place);
    s.visible = IsWindowVisible(pane) != FALSE;
    return s;
}

void ExpectSameState(const PaneState& a, const PaneState& b, const std::string& what) {
    EXPECT_EQ(a.text, b.text) << what;
    EXPECT_EQ(a.rtf, b.rtf) << what;
    EXPECT_EQ(a.formats, b.formats) << what;
    EXPECT_EQ(a.insertion, b.insertion) << what;
    EXPECT_EQ(a.selection.cpMin, b.selection.cpMin) << what;
    EXPECT_EQ(a.selection.cpMax, b.selection.cpMax) << what;
    EXPECT_EQ(a.limit, b.limit) << what;
    EXPECT_EQ(a.eventMask, b.eventMask) << what;
    EXPECT_EQ(a.canUndo, b.canUndo) << what;
    EXPECT_TRUE(a.typingUndoes) << what;
    EXPECT_TRUE(b.typingUndoes) << what;
    EXPECT_EQ(a.firstLine, b.firstLine) << what;
    EXPECT_TRUE(EqualRect(&a.place, &b.place)) << what;
    EXPECT_EQ(a.visible, b.visible) << what;
}

// The listing goes into a fresh pane read from one RTF document where it can, else
// run by run; a rebuild over a full pane must leave exactly what writing run by run
// leaves, whatever the options and styles.
TEST_F(Listing, ARebuildOverAFullPaneLeavesExactlyWhatARunByRunWriteLeaves) {
    MakeExample();
    temp.MakeFile("Music\\Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5 {a}.mp3");
    temp.MakeFile("Music\\Only_a_folder.mp3\\x.txt");
    const TextStyle folder = FolderStyle, item = ItemStyle;
    struct Variant {
        const char* name;
        bool streams;  // whether RTF control words can tell the heading format
        void (*apply)();
    } variants[] = {
        {"defaults", true, [] {}},
        {"heading colour, size and effects", true,
         [] {
             FolderStyle.font.lfHeight = -15;  // 240 twips: whole half points
             FolderStyle.font.lfItalic = 1;
             FolderStyle.font.lfUnderline = 1;
             FolderStyle.colour = RGB(0x12, 0x34, 0x56);
             ItemStyle.font.lfStrikeOut = 1;
             ItemStyle.font.lfHeight = -10;  // 160 twips: the two sizes are told apart
             ItemStyle.colour = RGB(0xAA, 0, 0);
             BuildCharFormat(FolderStyle);
             BuildCharFormat(ItemStyle);
         }},
        {"one size for both that RTF cannot tell", true,
         [] {
             FolderStyle.colour = RGB(0, 0x80, 0);
             BuildCharFormat(FolderStyle);
         }},
        {"another heading size over items RTF cannot size", false,
         [] {
             FolderStyle.font.lfHeight = -15;
             BuildCharFormat(FolderStyle);
         }},
        {"a heading size RTF cannot tell", false,
         [] {
             FolderStyle.font.lfHeight = -13;
             BuildCharFormat(FolderStyle);
         }},
        {"another face", false,
         [] {
             CopyText(FolderStyle.font.lfFaceName, LF_FACESIZE, "Tahoma");
             BuildCharFormat(FolderStyle);
         }},
        {"underscores off", true, [] { ListingOptions.UnderScoreToSpace = 0; }},
        {"no folder names", true, [] { ListingOptions.ListFolderNames = 0; }},
        {"empty folders, no items", true,
         [] {
             ListingOptions.IncludeEmptyFolders = 1;
             ListingOptions.ListItemNames = 0;
         }},
    };
    // Read a few paragraphs at a time, so that every way of cutting the document is met.
    StreamListingInPiecesOf(40);
    for (const Variant& v : variants) {
        FolderStyle = folder;
        ItemStyle = item;
        ListingOptions = kDefaultListingOptions;
        v.apply();
        PaneState want, got;
        for (bool runByRun : {true, false}) {
            WriteListingRunByRun(runByRun);
            RegenerateListing();
            SendMessageA(ListingPane, EM_SETSEL, 2, 5);
            SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
            RegenerateListing();  // over a full pane
            (runByRun ? want : got) = ReadState(ListingPane);
        }
        WriteListingRunByRun(false);
        ExpectSameState(want, got, v.name);
        EXPECT_EQ(LastListingWasStreamed(), v.streams) << v.name;
        EXPECT_EQ(got.limit, kListingPaneTextLimit);
        EXPECT_FALSE(got.canUndo);
    }
    StreamListingInPiecesOf(kListingPieceBytes);
    FolderStyle = folder;
    ItemStyle = item;
}

// A document is cut only at the breaks outside a heading's group, and never at a
// backslash of the text followed by "par ".
TEST(ListingRtfPieces, CutOnlyAtBreaksOfTheItemsAndJoinAgainWhole) {
    ListingRtf rtf("{\\fonttbl{\\f0 A;}}\\f0 ", "\\b", 1);
    const std::u16string heading = u"    C:\\par \\\r", items = u"a\\par b\r\\\rc\r";
    rtf.AppendRun(true, heading.data(), heading.size());
    rtf.AppendRun(false, items.data(), items.size());
    const std::string document = rtf.Finish();
    const RtfPieces pieces = rtf.Pieces();
    ASSERT_EQ(pieces.cuts.size(), 3u) << document;
    std::string body;
    for (size_t i = 0; i <= pieces.cuts.size(); ++i) {
        const std::string piece = RtfPiece(document, pieces, i);
        ASSERT_EQ(piece.substr(0, pieces.body), document.substr(0, pieces.body));
        ASSERT_EQ(piece.back(), '}');
        if (i > 0) {
            EXPECT_EQ(piece.substr(pieces.body, 5), "\\par ");
        }
        body += piece.substr(pieces.body, piece.size() - pieces.body - 1);
    }
    EXPECT_EQ(document.substr(0, pieces.body) + body + "}", document);
    EXPECT_EQ(body.find("\\par "), document.find("\\par ") - pieces.body);  // in the group
    EXPECT_EQ(RtfPiece(document, RtfPieces{pieces.body, {}}, 0), document);
}

// Unlisting everything leaves an empty pane; Undo there brings back the listing as it
// was, with the user's selection, and the keyboard focus stays with the pane.
TEST_F(Listing, UndoInTheEmptiedPaneBringsBackTheListingWithItsSelection) {
    MakeExample();
    RegenerateListing();
    const PaneState listed = ReadState(ListingPane);
    SetFocus(ListingPane);
    SendMessageA(ListingPane, EM_SETSEL, 3, 9);
    const PaneState selected = ReadState(ListingPane);
    for (HTREEITEM node : {empty, music, live})
        TreeSetImages(TreePane, node, FolderClosed, FolderOpen);
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");
    EXPECT_EQ(GetFocus(), ListingPane);
    // Text typed there takes the item style, not the new control's own font.
    CHARFORMATA typed = {};
    typed.cbSize = sizeof typed;
    SendMessageA(ListingPane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&typed));
    EXPECT_STREQ(typed.szFaceName, ItemStyle.format.szFaceName);
    EXPECT_EQ(typed.yHeight, ItemStyle.format.yHeight);
    EXPECT_EQ(typed.dwEffects & CFE_BOLD, ItemStyle.format.dwEffects & CFE_BOLD);
    // More empty listings clear nothing more: the listing stays for Undo.
    RegenerateListing();
    RegenerateListing();
    // Typing in the empty pane is undone first, then the listing comes back.
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    SendMessageA(ListingPane, WM_UNDO, 0, 0);
    EXPECT_EQ(PaneText(ListingPane), "");
    // An empty listing over typed text clears it; Undo brings back the typed text,
    // then its typing is undone, then the listing comes back: the last Undo is the
    // key, Ctrl+Z, as it reaches the pane with Ctrl held down.
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("y"));
    RegenerateListing();
    RegenerateListing();
    EXPECT_EQ(PaneText(ListingPane), "");
    SendMessageA(ListingPane, WM_UNDO, 0, 0);
    EXPECT_EQ(PaneText(ListingPane), "y");
    SendMessageA(ListingPane, WM_UNDO, 0, 0);
    EXPECT_EQ(PaneText(ListingPane), "");
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(ListingPane, WM_KEYDOWN, 'Z', 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(GetFocus(), ListingPane);
    ExpectSameState(selected, ReadState(ListingPane), "after Undo");
    EXPECT_EQ(listed.text, PaneText(ListingPane));
    EXPECT_EQ(KeptListingPane(), nullptr);
    // Nothing is kept once a listing is shown again.
    Mark(music);
    RegenerateListing();
    RegenerateListing();
    EXPECT_EQ(KeptListingPane(), nullptr);
}

// When the pane cannot read the listing as RTF and no other pane can be made, the
// listing is written run by run into the pane emptied first: whole, and once.
HWND failingPane = nullptr;
WNDPROC failingPaneProc = nullptr;
int panesMade = 0;

LRESULT CALLBACK FailAfterStreaming(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(failingPaneProc, pane, message, wParam, lParam);
    if (message == EM_STREAMIN && pane == failingPane)
        reinterpret_cast<EDITSTREAM*>(lParam)->dwError = 1;
    return result;
}

// Lets the first Rich Edit control be made, one whose streaming fails after it has
// read the document, and no other.
LRESULT CALLBACK OnePaneOnly(int code, WPARAM wParam, LPARAM lParam) {
    char name[32] = "";
    if (code == HCBT_CREATEWND &&
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        lstrcmpiA(name, "RICHEDIT20A") == 0) {
        if (++panesMade > 1)
            return 1;
        failingPane = reinterpret_cast<HWND>(wParam);
        failingPaneProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            failingPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FailAfterStreaming)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Listing, AFailedStreamWithoutAnotherPaneLeavesTheListingOnceAndWhole) {
    MakeExample();
    RegenerateListing();
    const std::string whole = PaneText(ListingPane);
    panesMade = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, OnePaneOnly, nullptr, GetCurrentThreadId());
    RegenerateListing();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(panesMade, 2);
    EXPECT_EQ(ListingPane, failingPane);
    EXPECT_EQ(PaneText(ListingPane), whole);
    EXPECT_FALSE(LastListingWasStreamed());
}

// Rich Edit keeps 32,767 characters unless told otherwise; the pane takes a listing
// of any length whole.
TEST_F(Listing, AListingOfOverTwoHundredThousandCharactersArrivesWhole) {
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("Big")});
    std::vector<FakeDirectory::Entry> files;
    for (int i = 0; i < 4000; ++i)
        files.push_back(
            FakeDirectory::File("track " + std::to_string(i) + std::string(50, 'x') + ".mp3"));
    disk.SetEntries("C:\\Big\\", files);
    HTREEITEM drive = TreeInsert(TreePane, RootNode, TVI_LAST, "C:\\", FixedDrive, FixedDrive);
    Mark(TreeInsert(TreePane, drive, TVI_LAST, "Big", FolderClosed, FolderOpen));
    RegenerateListing();
    const std::string text = PaneText(ListingPane);
    EXPECT_GT(text.size(), 200000u);
    EXPECT_EQ(SendMessageA(ListingPane, EM_GETLIMITTEXT, 0, 0), kListingPaneTextLimit);
    const std::string last = "track 3999" + std::string(50, 'x');
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 4001);
}

// Where the ANSI code page has double-byte characters, a trail byte 0x5F is no
// underscore: "ダ" is 83 5F in code page 932.
TEST(UnderscorePass, StepsOverTheTrailBytesOfDoubleByteCharacters) {
    std::string text = "a_\x83\x5F_b";
    EXPECT_EQ(ReplaceUnderscoresInText(text, 932), 5u);
    EXPECT_EQ(text, "a \x83\x5F b");
    std::string utf8 = "x_\xE3\x83\x80_";
    EXPECT_EQ(ReplaceUnderscoresInText(utf8, CP_UTF8), utf8.size());
    EXPECT_EQ(utf8, "x \xE3\x83\x80 ");
}

}  // namespace

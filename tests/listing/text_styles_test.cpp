// The two text styles: their start-up formats, the rule that turns a font and a
// colour into a character format, and the four style commands with the real font
// and colour dialogs, seen through a real listing in a real Rich Edit pane.
#include <gtest/gtest.h>
#include <richedit.h>

#include <climits>
#include <cstring>

#include "base/bounded_text.h"
#include "base/device_context.h"
#include "base/gate.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/text_styles.h"
#include "resources/resource_ids.h"
#include "settings/current_filter.h"
#include "shell/commands.h"
#include "styles_dialog_driver.h"
#include "support/panes.h"
#include "support/temp_folder.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

void ExpectSameStyle(const TextStyle& want, const TextStyle& got, const char* which) {
    EXPECT_EQ(std::memcmp(&want.font, &got.font, sizeof want.font), 0)
        << which << " font changed; face now " << got.font.lfFaceName;
    EXPECT_EQ(got.colour, want.colour) << which;
    EXPECT_EQ(std::memcmp(&want.format, &got.format, sizeof want.format), 0)
        << which << " format changed";
}

// Gives a style a colour the way a colour command does, without its dialog.
void Recolour(TextStyle& style, COLORREF colour) {
    style.colour = colour;
    GateClosed noFontDialog(FontDialogGate);
    ApplyTextStyle(style);
}

// A font height in the styles' terms, pixels at 96 DPI, at every display scale.
int PointsToPixels(int points) {
    return MulDiv(points, 96, 72);
}

class TextStyles : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedCustomColours, CustomColours, sizeof savedCustomColours);
        ListingOptions = kDefaultListingOptions;
        CopyText(CurrentFilter, sizeof CurrentFilter, "*.mp3");
        FontDialogGate = 0;
        SetUpTextStyles(panes.window());
    }

    void TearDown() override {
        std::memcpy(CustomColours, savedCustomColours, sizeof savedCustomColours);
        UseStyleDialogs(nullptr, nullptr);
        StyleDialogOwner = nullptr;
    }

    // One listed folder with one item: paragraphs "", "    Songs", "first song".
    void ListAFolder() {
        temp.MakeFile("Songs\\first_song.mp3");
        TreeSetImages(TreePane, AddPathNodes(temp / "Songs"), ListedFolder, ListedFolderOpen);
        RegenerateListing();
        ASSERT_EQ(PaneText(ListingPane), "\r    Songs\rfirst song");
    }

    // Typed text survives until the next rebuild of the listing, and only until then.
    static void TypeIntoPane() {
        SendMessageA(ListingPane, EM_SETSEL, 0, 0);
        SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed by hand"));
    }
    static bool Rebuilt() { return PaneText(ListingPane) == "\r    Songs\rfirst song"; }

    Paragraph Heading() { return ReadParagraphs(ListingPane).at(1); }
    Paragraph Item() { return ReadParagraphs(ListingPane).at(2); }

    TestPanes panes;
    TempFolder temp;
    COLORREF savedCustomColours[16];
    // Every dialog of a test goes through here; one that no step expects is cancelled.
    DialogDriver dialogs;
};

// ---- Start-up ----

TEST_F(TextStyles, StartUpGivesBoldHeadingsAndPlainItemsWithoutAnyDialog) {
    FontDialogGate = 0;
    SetUpTextStyles(panes.window());
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.shown().at(0).caption;
    EXPECT_EQ(FontDialogGate, 1) << "later font commands show the dialog";

    for (const TextStyle* style : {&FolderStyle, &ItemStyle}) {
        const bool heading = style == &FolderStyle;
        SCOPED_TRACE(heading ? "FolderStyle" : "ItemStyle");
        const CHARFORMATA& f = style->format;
        EXPECT_EQ(f.cbSize, sizeof(CHARFORMATA));
        EXPECT_EQ(f.dwMask, 0xF800000Fu);
        EXPECT_EQ(f.dwEffects, heading ? static_cast<DWORD>(CFE_BOLD) : 0u);
        EXPECT_EQ(f.yHeight, 192);
        EXPECT_EQ(f.yOffset, 0);
        EXPECT_EQ(f.crTextColor, 0u);
        EXPECT_EQ(f.bCharSet, ANSI_CHARSET);
        EXPECT_EQ(f.bPitchAndFamily, 0x22);
        EXPECT_STREQ(f.szFaceName, "MS Sans Serif");
        EXPECT_EQ(style->font.lfWeight, heading ? 700 : 400);
    }

    ListAFolder();
    for (const Paragraph& p : {Heading(), Item()}) {
        EXPECT_EQ(p.face, "MS Sans Serif") << p.text;
        EXPECT_EQ(p.height, 192) << p.text;
        EXPECT_EQ(p.colour, 0u) << p.text;
        EXPECT_FALSE(p.italic) << p.text;
    }
    EXPECT_TRUE(Heading().bold);
    EXPECT_FALSE(Item().bold);
}

// ---- The character format rule ----

TEST_F(TextStyles, HeightIgnoresItsSignAndNeverOverflows) {
    for (LONG height : {15L, -15L}) {
        ItemStyle.font.lfHeight = height;
        BuildCharFormat(ItemStyle);
        EXPECT_EQ(ItemStyle.format.yHeight, 240) << "lfHeight " << height;
    }
    const struct {
        LONG height, twips;
    } extremes[] = {{0, 0}, {-134217727, 2147483632}, {134217728, LONG_MAX}, {LONG_MIN, LONG_MAX}};
    for (const auto& e : extremes) {
        ItemStyle.font.lfHeight = e.height;
        BuildCharFormat(ItemStyle);
        EXPECT_EQ(ItemStyle.format.yHeight, e.twips) << "lfHeight " << e.height;
    }
}

TEST_F(TextStyles, EffectsFollowTheFontAloneAndLeaveSizeAndMaskAlone) {
    ItemStyle.font.lfItalic = 1;
    ItemStyle.font.lfUnderline = 1;
    ItemStyle.font.lfStrikeOut = 1;
    BuildCharFormat(ItemStyle);
    EXPECT_EQ(ItemStyle.format.dwEffects,
              static_cast<DWORD>(CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT));

    ItemStyle.font.lfItalic = 0;
    ItemStyle.font.lfUnderline = 0;
    ItemStyle.font.lfStrikeOut = 0;
    BuildCharFormat(ItemStyle);
    EXPECT_EQ(ItemStyle.format.dwEffects, 0u) << "effects are recomputed, not accumulated";
    EXPECT_EQ(ItemStyle.format.dwMask, 0xF800000Fu);
    EXPECT_EQ(ItemStyle.format.cbSize, sizeof(CHARFORMATA));
}

// The platform's font dialog under Wine offers only Regular and Bold and turns any
// other weight into Bold, so semibold and black come from a stand-in dialog.
LONG weightToChoose = 0;
BOOL ChooseWeight(CHOOSEFONTA* record) {
    record->lpLogFont->lfWeight = weightToChoose;
    return TRUE;
}

TEST_F(TextStyles, OnlyWeight700MakesHeadingsBold) {
    ListAFolder();
    UseStyleDialogs(ChooseWeight, nullptr);
    const struct {
        LONG weight;
        bool bold;
    } cases[] = {{600, false}, {900, false}, {700, true}, {800, false}};
    for (const auto& c : cases) {
        weightToChoose = c.weight;
        DispatchCommand(IDC_FOLDER_FONT);
        EXPECT_EQ(FolderStyle.format.dwEffects & CFE_BOLD, c.bold ? CFE_BOLD : 0u)
            << "weight " << c.weight;
        EXPECT_EQ(Heading().bold, c.bold) << "weight " << c.weight;
    }
}

// ---- Font commands with the real font dialog ----

TEST_F(TextStyles, ItalicItemFontReachesItemsOnlyAndKeepsTheItemColour) {
    ListAFolder();
    Recolour(ItemStyle, RGB(0xCC, 0x66, 0x33));
    const TextStyle folderBefore = FolderStyle;

    FontChoice shown;
    dialogs.Then([&shown](HWND dialog) {
        shown = ReadFontChoice(dialog);
        MakeFontChoice(dialog, {"DejaVu Sans", "Italic", "11"});
        Press(dialog, IDOK);
    });
    DispatchCommand(IDC_ITEM_FONT);
    ASSERT_EQ(dialogs.Captions(), std::vector<std::string>{"Font"});
    // The dialog opens on the style's own font (with Wine's own fonts in the prefix).
    EXPECT_EQ(shown.face, "MS Sans Serif");
    EXPECT_EQ(shown.size, "9");
    EXPECT_EQ(dialogs.shown()[0].owner, panes.window());

    const CHARFORMATA& f = ItemStyle.format;
    EXPECT_EQ(f.dwEffects, static_cast<DWORD>(CFE_ITALIC));
    EXPECT_STREQ(f.szFaceName, "DejaVu Sans");
    EXPECT_EQ(f.yHeight, PointsToPixels(11) * 16);
    EXPECT_EQ(ItemStyle.colour, RGB(0xCC, 0x66, 0x33)) << "a font command keeps the colour";
    EXPECT_EQ(f.crTextColor, RGB(0xCC, 0x66, 0x33));
    ExpectSameStyle(folderBefore, FolderStyle, "FolderStyle");

    Paragraph item = Item();
    EXPECT_TRUE(item.italic);
    EXPECT_EQ(item.face, "DejaVu Sans");
    EXPECT_EQ(item.colour, RGB(0xCC, 0x66, 0x33));
    Paragraph heading = Heading();
    EXPECT_FALSE(heading.italic);
    EXPECT_TRUE(heading.bold);
    EXPECT_EQ(heading.face, "MS Sans Serif");
}

TEST_F(TextStyles, CancelledFontDialogStartedFromTheStyleChangesNothingButRebuilds) {
    CopyText(ItemStyle.font.lfFaceName, sizeof ItemStyle.font.lfFaceName, "DejaVu Sans");
    ItemStyle.font.lfItalic = 1;
    ItemStyle.font.lfHeight = -PointsToPixels(11);
    Recolour(ItemStyle, RGB(0, 0x80, 0));
    ListAFolder();
    TypeIntoPane();
    const TextStyle itemBefore = ItemStyle;
    const TextStyle folderBefore = FolderStyle;

    FontChoice shown;
    dialogs.Then([&shown](HWND dialog) {
        shown = ReadFontChoice(dialog);
        // The dialog takes each choice into the font at once; only Cancel undoes it.
        MakeFontChoice(dialog, {"DejaVu Serif", "Bold", "20"});
        Press(dialog, IDCANCEL);
    });
    DispatchCommand(IDC_ITEM_FONT);
    ASSERT_EQ(dialogs.Captions(), std::vector<std::string>{"Font"});
    EXPECT_EQ(shown.face, "DejaVu Sans");
    EXPECT_EQ(shown.style, "Italic");
    EXPECT_EQ(shown.size, "11");

    ExpectSameStyle(itemBefore, ItemStyle, "ItemStyle");
    ExpectSameStyle(folderBefore, FolderStyle, "FolderStyle");
    EXPECT_EQ(FontDialogRecord.lpLogFont, &ItemStyle.font);
    EXPECT_TRUE(Rebuilt()) << PaneText(ListingPane);
    EXPECT_TRUE(Item().italic);
    EXPECT_EQ(Item().colour, RGB(0, 0x80, 0));
}

TEST_F(TextStyles, RegularFolderFontTakesTheBoldOffHeadings) {
    ListAFolder();
    const TextStyle itemBefore = ItemStyle;
    dialogs.Then([](HWND dialog) {
        MakeFontChoice(dialog, {"DejaVu Sans", "Regular", "9"});
        Press(dialog, IDOK);
    });
    DispatchCommand(IDC_FOLDER_FONT);
    ASSERT_EQ(dialogs.Captions(), std::vector<std::string>{"Font"});
    EXPECT_EQ(FolderStyle.font.lfWeight, 400);
    EXPECT_EQ(FolderStyle.format.dwEffects, 0u);
    EXPECT_FALSE(Heading().bold);
    EXPECT_EQ(Heading().face, "DejaVu Sans");
    ExpectSameStyle(itemBefore, ItemStyle, "ItemStyle");
}

// ---- Colour commands with the real colour dialog ----

TEST_F(TextStyles, FolderColourRecoloursHeadingsWithoutTheFontDialog) {
    ListAFolder();
    const TextStyle folderBefore = FolderStyle;
    const TextStyle itemBefore = ItemStyle;
    COLORREF offered = 0xFFFFFFFF;
    dialogs.Then([&offered](HWND dialog) {
        offered = ReadRgbBoxes(dialog);
        TypeRgb(dialog, RGB(0x12, 0x34, 0x56));
        Press(dialog, IDOK);
    });
    DispatchCommand(IDC_FOLDER_COLOR);
    ASSERT_EQ(dialogs.Captions(), std::vector<std::string>{"Color"}) << "no font dialog";
    EXPECT_EQ(dialogs.shown()[0].owner, panes.window());
    EXPECT_EQ(offered, 0u) << "the dialog starts from the style's colour";
    EXPECT_EQ(FontDialogGate, 1);

    EXPECT_EQ(FolderStyle.colour, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(FolderStyle.format.crTextColor, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(std::memcmp(&folderBefore.font, &FolderStyle.font, sizeof folderBefore.font), 0);
    EXPECT_EQ(FolderStyle.format.dwEffects, static_cast<DWORD>(CFE_BOLD));
    ExpectSameStyle(itemBefore, ItemStyle, "ItemStyle");
    EXPECT_EQ(Heading().colour, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(Item().colour, 0u);
}

TEST_F(TextStyles, CancelledColourDialogKeepsTheColourButRebuilds) {
    Recolour(ItemStyle, RGB(0x00, 0x55, 0xAA));
    ListAFolder();
    TypeIntoPane();
    const TextStyle itemBefore = ItemStyle;
    COLORREF offered = 0;
    dialogs.Then([&offered](HWND dialog) {
        offered = ReadRgbBoxes(dialog);
        TypeRgb(dialog, RGB(0xFF, 0, 0));
        Press(dialog, IDCANCEL);
    });
    DispatchCommand(IDC_ITEM_COLOR);
    ASSERT_EQ(dialogs.Captions(), std::vector<std::string>{"Color"});
    EXPECT_EQ(offered, RGB(0x00, 0x55, 0xAA));
    ExpectSameStyle(itemBefore, ItemStyle, "ItemStyle");
    EXPECT_TRUE(Rebuilt()) << PaneText(ListingPane);
    EXPECT_EQ(Item().colour, RGB(0x00, 0x55, 0xAA));
}

// A colour dialog that reports failure keeps the colour even when it wrote into its
// record; the platform's dialog cannot be made to fail on demand.
BOOL FailAfterScribbling(CHOOSECOLORA* record) {
    record->rgbResult = RGB(0xFF, 0xFF, 0xFF);
    return FALSE;
}

TEST_F(TextStyles, FailedColourDialogKeepsTheColour) {
    Recolour(FolderStyle, RGB(0x10, 0x20, 0x30));
    UseStyleDialogs(nullptr, FailAfterScribbling);
    DispatchCommand(IDC_FOLDER_COLOR);
    EXPECT_TRUE(dialogs.shown().empty()) << "no font dialog either";
    EXPECT_EQ(FolderStyle.colour, RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(FolderStyle.format.crTextColor, RGB(0x10, 0x20, 0x30));
}

TEST_F(TextStyles, CustomColourDefinedForItemsIsOfferedToTheNextFolderColour) {
    dialogs.Then([](HWND dialog) {
        TypeRgb(dialog, RGB(0x12, 0x34, 0x56));
        AddToCustomColours(dialog);
        Press(dialog, IDOK);
    });
    DispatchCommand(IDC_ITEM_COLOR);
    EXPECT_EQ(ItemStyle.colour, RGB(0x12, 0x34, 0x56));

    dialogs.Then([](HWND dialog) {
        ClickFirstCustomColour(dialog);
        Press(dialog, IDOK);
    });
    DispatchCommand(IDC_FOLDER_COLOR);
    EXPECT_EQ(dialogs.Captions(), (std::vector<std::string>{"Color", "Color"}));
    EXPECT_EQ(FolderStyle.colour, RGB(0x12, 0x34, 0x56))
        << "the first custom colour is the one defined in the item colour dialog";
    EXPECT_EQ(CustomColours[1], 0x444444u) << "the other custom colours stay";
}

}  // namespace

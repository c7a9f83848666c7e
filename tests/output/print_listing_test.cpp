// Printing on a real printer: a private CUPS server with a PDF queue (tools/cups),
// whose documents are read back with pdfinfo and pdftotext.
#include <gtest/gtest.h>
#include <richedit.h>
#include <winspool.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <sstream>

#include "base/device_context.h"
#include "listing/listing_generator.h"
#include "listing/text_styles.h"
#include "output/paginator.h"
#include "output/print_listing.h"
#include "support/skips.h"
#include "support/panes.h"
#include "support/temp_folder.h"
#include "tests/output/output_support.h"

namespace {

// A title no code would make by itself: the job's name must come from the window.
const char kTitle[] = "Kelvora: *.qz7";

// The stand-in dialog: the default printer's device context (or a memory one), with
// Selection chosen or not, and the copies, collation and page range a user may set.
// It keeps what it was asked with.
bool chooseSelection = false;
std::string printerName;
struct DialogAnswer {
    bool memoryDc = false;
    WORD copies = 1;
    bool collate = false;
    WORD fromPage = 0, toPage = 0;  // 0: all pages
    short driverCopies = 0;         // > 0: in the DEVMODE, with dmCollate = collate
};
DialogAnswer answer;
PRINTDLGA asked;

BOOL WINAPI StandInPrintDialog(PRINTDLGA* request) {
    asked = *request;
    DEVMODEA* mode = nullptr;
    if (answer.driverCopies > 0) {
        HANDLE printer = nullptr;
        OpenPrinterA(const_cast<char*>(printerName.c_str()), &printer, nullptr);
        LONG size = DocumentPropertiesA(nullptr, printer, const_cast<char*>(printerName.c_str()),
                                        nullptr, nullptr, 0);
        request->hDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size > 0 ? size : 1);
        mode = static_cast<DEVMODEA*>(GlobalLock(request->hDevMode));
        DocumentPropertiesA(nullptr, printer, const_cast<char*>(printerName.c_str()), mode, nullptr,
                            DM_OUT_BUFFER);
        ClosePrinter(printer);
        mode->dmFields |= DM_COPIES | DM_COLLATE;
        mode->dmCopies = answer.driverCopies;
        mode->dmCollate = answer.collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    }
    request->hDC = answer.memoryDc ? CreateCompatibleDC(nullptr)
                                   : CreateDCA("WINSPOOL", printerName.c_str(), nullptr, mode);
    if (mode)
        GlobalUnlock(request->hDevMode);
    if (chooseSelection)
        request->Flags |= PD_SELECTION;
    request->nCopies = answer.driverCopies > 0 ? 1 : answer.copies;
    request->Flags &= ~PD_COLLATE;
    if (answer.collate && answer.driverCopies == 0)
        request->Flags |= PD_COLLATE;
    if (answer.fromPage > 0) {
        request->Flags |= PD_PAGENUMS;
        request->nFromPage = answer.fromPage;
        request->nToPage = answer.toPage;
    }
    return request->hDC != nullptr;
}

struct Printout {
    int documents = 0;
    int pages = 0;
    std::string title;
    std::string text;
    std::vector<std::string> words;
    std::string xml;                                  // pdftohtml's: each line's font and colour
    double left = 0, top = 0, right = 0, bottom = 0;  // extent of all words, points
    double width = 0, height = 0;                     // of the page
};

// Waits for the queue to finish the job, then reports the document it made: the count
// of documents, title, pages, the extent of the words and the page size, and the text.
// The document is moved aside, so each print finds only its own.
// clang-format off
const char kReadPrintout[] = R"sh(
for i in $(seq 1 300); do
  set -- "$PDFS"/*.pdf
  [ -f "$1" ] && [ -z "$(lpstat -o)" ] && break
  sleep 0.1
done
[ -f "$1" ] || { echo "no document reached $PDFS"; exit 1; }
echo $#
pdfinfo "$1" | sed -n 's/^Title: *//p'
pdfinfo "$1" | sed -n 's/^Pages: *//p'
pdftotext -bbox "$1" - 2>/dev/null | awk -F'"' '
  /<page / { w = $2; h = $4 }
  /<word / { if (!n++) { l = $2; t = $4 }
             if ($2 < l) l = $2; if ($4 < t) t = $4; if ($6 > r) r = $6; if ($8 > b) b = $8 }
  END { print l + 0, t + 0, r + 0, b + 0, w + 0, h + 0 }'
pdftotext -layout "$1" - 2>/dev/null
echo "=== xml"
pdftohtml -xml -i -stdout "$1" 2>/dev/null
mkdir -p "$PDFS/read" && mv "$@" "$PDFS/read/"
)sh";
// clang-format on

class PrintListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        pdfFolder = FolderFromEnvironment("KELVORA_PDF_DIR");
        if (pdfFolder.empty() || GetFileAttributesA(pdfFolder.c_str()) == INVALID_FILE_ATTRIBUTES)
            SKIP_ONLY_IF_ASKED("printer",
                               "no PDF printer: run through ctest (tools/cups/start.sh)");
        char name[256];
        DWORD size = sizeof name;
        ASSERT_TRUE(GetDefaultPrinterA(name, &size)) << "Wine sees no printer: is CUPS_SERVER set?";
        printerName = name;
        chooseSelection = false;
        answer = DialogAnswer();
        UsePrintDialog(StandInPrintDialog);
        FontDialogGate = 0;
        SetUpTextStyles(nullptr);
        SetWindowTextA(panes.window(), kTitle);
    }
    void TearDown() override { UsePrintDialog(nullptr); }

    // Prints and reads back the document the queue made of it.
    Printout Print() {
        PrintListing(panes.window());
        std::string report;
        Printout out;
        if (RunLinux("PDFS=" + Quote(LinuxPath(pdfFolder)) + kReadPrintout, &report) != 0) {
            ADD_FAILURE() << report;
            return out;
        }
        std::istringstream in(report);
        in >> out.documents;
        in.ignore();
        std::getline(in, out.title);
        in >> out.pages >> out.left >> out.top >> out.right >> out.bottom >> out.width >>
            out.height;
        out.text.assign(std::istreambuf_iterator<char>(in), {});
        size_t xml = out.text.find("=== xml\n");
        if (xml != std::string::npos) {
            out.xml = out.text.substr(xml + 8);
            out.text.resize(xml);
        }
        out.words = Words(out.text);
        EXPECT_EQ(out.documents, 1) << "one document per print run";
        return out;
    }

    // The position where line i (0-based, after the empty first paragraph) starts.
    static LONG LineStart(const std::vector<ListingLine>& lines, size_t i) {
        LONG at = 1;
        for (size_t k = 0; k < i; ++k)
            at += static_cast<LONG>((lines[k].heading ? 4 : 0) + lines[k].text.size() + 1);
        return at;
    }

    TestPanes panes;
    std::string pdfFolder;
};

TEST_F(PrintListingTest, SeveralPagesCarryEveryLineOnceInOrderWithinTheMargins) {
    std::vector<ListingLine> lines = MakeListing(6, 30);
    std::string paragraph;
    for (int i = 1; i <= 80; ++i)
        paragraph += "word" + std::to_string(i) + " ";
    lines.insert(lines.begin() + 40, {false, paragraph});  // wraps over several lines
    WriteListing(ListingPane, lines);
    Printout out = Print();
    EXPECT_EQ(out.title, kTitle);
    EXPECT_GE(out.pages, 3);
    EXPECT_EQ(out.words, Words(lines)) << out.text;
    // Margins of 1/4 inch (18 points) left, right and top, 302 twips (15.1 points) at
    // the bottom, measured from the printable area (the whole sheet here).
    EXPECT_NEAR(out.left, 18, 3);
    EXPECT_GE(out.top, 17);
    EXPECT_LE(out.right, out.width - 17);
    EXPECT_LE(out.bottom, out.height - 14);
}

int startedPages = 0;
int WINAPI SecondPageWillNotStart(HDC dc) {
    return ++startedPages == 2 ? SP_ERROR : StartPage(dc);
}
int WINAPI FirstPageWillNotEnd(HDC) {
    return SP_ERROR;
}

// A page that cannot be started or ended (the printer went away, the spooler refused)
// aborts the document: nothing of it is printed, and the pane is as it was.
TEST_F(PrintListingTest, APageThatCannotStartOrEndAbortsTheWholeDocument) {
    WriteListing(ListingPane, MakeListing(6, 30));
    const std::string before = PaneText(ListingPane);
    startedPages = 0;
    UsePageCalls(SecondPageWillNotStart, nullptr);
    PrintListing(panes.window());
    EXPECT_EQ(startedPages, 2);
    UsePageCalls(nullptr, FirstPageWillNotEnd);
    PrintListing(panes.window());
    UsePageCalls(nullptr, nullptr);
    EXPECT_EQ(PaneText(ListingPane), before);
    // Neither aborted run left a document: the next print finds only its own.
    Printout out = Print();
    EXPECT_GE(out.pages, 3);
}

// pdftohtml's lines as (font id, text), and each font id's description.
std::vector<std::pair<std::string, std::string>> XmlLines(const std::string& xml) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (size_t at = xml.find("<text "); at != std::string::npos; at = xml.find("<text ", at + 1)) {
        size_t font = xml.find("font=\"", at) + 6;
        size_t open = xml.find('>', at) + 1;
        lines.emplace_back(xml.substr(font, xml.find('"', font) - font),
                           xml.substr(open, xml.find("</text>", open) - open));
    }
    return lines;
}

std::string XmlFont(const std::string& xml, const std::string& id) {
    size_t at = xml.find("<fontspec id=\"" + id + "\"");
    return at == std::string::npos ? "" : xml.substr(at, xml.find("/>", at) - at);
}

// A fontspec's colour="#rrggbb" is colour, give or take a little.
bool NearColour(const std::string& fontspec, COLORREF colour) {
    size_t at = fontspec.find("color=\"#");
    if (at == std::string::npos)
        return false;
    unsigned long rgb = std::strtoul(fontspec.substr(at + 8, 6).c_str(), nullptr, 16);
    int got[3] = {int(rgb >> 16 & 0xFF), int(rgb >> 8 & 0xFF), int(rgb & 0xFF)};
    int want[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > 2)
            return false;
    }
    return true;
}

// A long listing, read from the pane in one pass: every character where it belongs,
// each style in its own font and colour, and no GDI object left behind.
TEST_F(PrintListingTest, ALongListingPrintsThePaneTextInOrderEachStyleInItsFont) {
    std::vector<ListingLine> lines = MakeListing(60, 50);
    for (size_t i = 3; i < lines.size(); i += 7) {
        lines[i].text += lines[i].heading ? " Dvo\xC5\x99\xC3\xA1k"
                                          : " caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC "
                                            "\xF0\x9F\x8E\xB5 na\xC3\xAFve";
    }
    WriteListing(ListingPane, lines);
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    Printout out = Print();
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_GE(out.pages, 40);
    // Japanese and emoji leave no readable text in the PDF: the print server's fonts
    // have no such glyphs, and the Japanese glyphs that the test prefix's MS Sans Serif
    // prints carry no names (they come back as control characters). The words after
    // them show that they kept their places.
    auto wordsWithout = [](const std::vector<std::string>& words, auto drop) {
        std::vector<std::string> kept;
        for (const std::string& word : words) {
            if (std::none_of(word.begin(), word.end(),
                             [&](char c) { return drop(static_cast<unsigned char>(c)); }))
                kept.push_back(word);
        }
        return kept;
    };
    const std::vector<std::string> want =
        wordsWithout(Words(PaneText(ListingPane)), [](unsigned char c) { return c >= 0xE3; });
    const std::vector<std::string> printed =
        wordsWithout(out.words, [](unsigned char c) { return c < 0x20; });
    ASSERT_EQ(printed.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        ASSERT_EQ(printed[i], want[i]) << "word " << i;

    // Headings bold (pdftohtml marks the text) in kHeadingColour, items not bold in
    // kItemColour, never in the same font; colours come back within rounding.
    std::set<std::string> headingFonts, itemFonts;
    for (const auto& line : XmlLines(out.xml)) {
        bool heading = line.second.find("Folder ") != std::string::npos;
        EXPECT_EQ(line.second.rfind("<b>", 0) == 0, heading) << line.second;
        (heading ? headingFonts : itemFonts).insert(line.first);
    }
    ASSERT_FALSE(headingFonts.empty());
    ASSERT_FALSE(itemFonts.empty());
    for (const std::string& id : headingFonts) {
        EXPECT_EQ(itemFonts.count(id), 0u) << "headings and items share " << XmlFont(out.xml, id);
        EXPECT_TRUE(NearColour(XmlFont(out.xml, id), kHeadingColour)) << XmlFont(out.xml, id);
    }
    for (const std::string& id : itemFonts)
        EXPECT_TRUE(NearColour(XmlFont(out.xml, id), kItemColour)) << XmlFont(out.xml, id);
}

TEST_F(PrintListingTest, SelectionPrintsOnlyTheSelectionAndKeepsIt) {
    std::vector<ListingLine> lines = MakeListing(3, 3);
    WriteListing(ListingPane, lines);
    LONG from = LineStart(lines, 4);
    LONG to = LineStart(lines, 7) - 1;  // lines 5 to 7, without the last break
    SetSelection(ListingPane, from, to);
    chooseSelection = true;
    Printout out = Print();
    EXPECT_EQ(out.pages, 1);
    EXPECT_EQ(out.words, Words(std::vector<ListingLine>(lines.begin() + 4, lines.begin() + 7)))
        << out.text;
    EXPECT_EQ(Selection(ListingPane).cpMin, from);
    EXPECT_EQ(Selection(ListingPane).cpMax, to);
}

TEST_F(PrintListingTest, AllPrintsEverythingAndLeavesTheCaretAtTheStart) {
    std::vector<ListingLine> lines = MakeListing(2, 3);
    WriteListing(ListingPane, lines);
    SetSelection(ListingPane, 10, 20);
    EXPECT_EQ(Print().words, Words(lines));
    EXPECT_EQ(Selection(ListingPane).cpMin, 0);
    EXPECT_EQ(Selection(ListingPane).cpMax, 0);

    // Selection chosen with nothing selected prints everything too.
    SetSelection(ListingPane, 12, 12);
    chooseSelection = true;
    Printout out = Print();
    EXPECT_EQ(out.pages, 1) << "a one-page text prints one page";
    EXPECT_EQ(out.words, Words(lines));
}

TEST_F(PrintListingTest, AnEmptyPanePrintsOneBlankPage) {
    Printout out = Print();
    EXPECT_EQ(out.pages, 1);
    EXPECT_TRUE(out.words.empty()) << out.text;
}

// Each page's first line, its words joined by one blank (pdftotext ends a page with a
// form feed).
std::vector<std::string> PageHeads(const std::string& text) {
    std::vector<std::string> heads;
    std::istringstream pages(text);
    std::string pageText;
    while (std::getline(pages, pageText, '\f')) {
        std::istringstream lines(pageText);
        std::string line;
        while (std::getline(lines, line) && Words(line).empty()) {
        }
        std::string head;
        for (const std::string& word : Words(line))
            head += (head.empty() ? "" : " ") + word;
        if (!head.empty())
            heads.push_back(head);
    }
    return heads;
}

// The dialog's copies, collation and page range, on a three-page listing; the dialog
// is asked with page numbers offered from 1 and copies left to the driver where it can.
TEST_F(PrintListingTest, CopiesCollationAndPageRangeAreAsTheDialogAsked) {
    WriteListing(ListingPane, MakeListing(6, 30));
    Printout once = Print();
    EXPECT_EQ(asked.Flags & PD_NOPAGENUMS, 0u);
    EXPECT_NE(asked.Flags & PD_USEDEVMODECOPIESANDCOLLATE, 0u);
    EXPECT_EQ(asked.nMinPage, 1);
    EXPECT_EQ(asked.nMaxPage, 0xFFFF);
    ASSERT_EQ(once.pages, 3) << once.text;
    const std::vector<std::string> p = PageHeads(once.text);
    ASSERT_EQ(p.size(), 3u) << once.text;

    answer.copies = 2;
    answer.collate = true;
    Printout collated = Print();
    EXPECT_EQ(collated.pages, 6);
    EXPECT_EQ(PageHeads(collated.text),
              (std::vector<std::string>{p[0], p[1], p[2], p[0], p[1], p[2]}));

    answer.collate = false;
    Printout uncollated = Print();
    EXPECT_EQ(uncollated.pages, 6);
    EXPECT_EQ(PageHeads(uncollated.text),
              (std::vector<std::string>{p[0], p[0], p[1], p[1], p[2], p[2]}));

    // Copies in the DEVMODE are the driver's; where it cannot make them, the program does.
    answer.copies = 1;
    answer.driverCopies = 2;
    answer.collate = true;
    Printout driver = Print();
    EXPECT_EQ(driver.pages, 6);
    EXPECT_EQ(PageHeads(driver.text),
              (std::vector<std::string>{p[0], p[1], p[2], p[0], p[1], p[2]}));

    answer = DialogAnswer();
    answer.fromPage = 2;
    answer.toPage = 3;
    Printout range = Print();
    EXPECT_EQ(range.pages, 2);
    EXPECT_EQ(PageHeads(range.text), (std::vector<std::string>{p[1], p[2]}));
}

TEST_F(PrintListingTest, ALineTallerThanThePageDoesNotStopThePrintout) {
    SendMessageA(ListingPane, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("before\rl\rafter"));
    SetSelection(ListingPane, 7, 8);
    CHARFORMATA huge = {};
    huge.cbSize = sizeof huge;
    huge.dwMask = CFM_SIZE;
    huge.yHeight = 1000 * 20;  // 1000 points: taller than the sheet, narrower than a line
    SendMessageA(ListingPane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&huge));
    Printout out = Print();
    EXPECT_EQ(out.pages, 3) << "before | the tall line alone, clipped | after";
    ASSERT_FALSE(out.words.empty());
    EXPECT_EQ(out.words.front(), "before");
    EXPECT_EQ(out.words.back(), "after");
}

// The platform's print dialog, with Selection clicked, as a user would.
bool ChooseSelectionAndPrint() {
    HWND box = FindDialog("Print");
    if (!box)
        return false;
    SendMessageA(GetDlgItem(box, 0x421), BM_CLICK, 0, 0);  // rad2: Selection
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

TEST_F(PrintListingTest, ThePlatformDialogPrintsTheChosenSelection) {
    UsePrintDialog(nullptr);
    std::vector<ListingLine> lines = MakeListing(2, 2);
    WriteListing(ListingPane, lines);
    SetSelection(ListingPane, LineStart(lines, 3), LineStart(lines, 5) - 1);
    WhileModal(ChooseSelectionAndPrint);
    Printout out = Print();
    EXPECT_EQ(out.title, kTitle);
    EXPECT_EQ(out.words, Words(std::vector<ListingLine>(lines.begin() + 3, lines.begin() + 5)))
        << out.text;
}

TEST(PrintRectangle, IsThePrintableAreaLessTheMarginsInTwips) {
    RECT rect;
    ASSERT_TRUE(PrintRectangle(4800, 6360, 600, 600, rect));  // 600 dpi, 8 x 10.6 inches
    EXPECT_EQ(rect.left, 360);
    EXPECT_EQ(rect.top, 360);
    EXPECT_EQ(rect.right, 11160);
    EXPECT_EQ(rect.bottom, 14962);
    EXPECT_FALSE(PrintRectangle(4800, 6360, 0, 600, rect)) << "a device without a resolution";
}

// The program's own layout reads the pane's formats run by run: each heading with
// the break before it is one run, the items of a folder another.
TEST(PageSource, FindsTheRunsOfCharacterFormatAndKeepsTheSelection) {
    TestPanes panes;
    FontDialogGate = 0;
    SetUpTextStyles(nullptr);
    WriteListing(ListingPane, MakeListing(3, 2));
    SetSelection(ListingPane, 3, 5);
    PageSource source;
    ReadPageSource(ListingPane, 0, -1, source);
    std::vector<LONG> starts;
    for (size_t at = source.text.find(L"\r    "); at != std::wstring::npos;
         at = source.text.find(L"\r    ", at + 1)) {
        starts.push_back(static_cast<LONG>(at));
        starts.push_back(static_cast<LONG>(source.text.find(L'\r', at + 1)));
    }
    ASSERT_EQ(source.runs.size(), starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        const TextRun& run = source.runs[i];
        EXPECT_EQ(run.start, starts[i]) << "run " << i;
        EXPECT_EQ(run.end, i + 1 < starts.size() ? starts[i + 1] : LONG(source.text.size()));
        const CHARFORMATA& format = source.styles[run.style].format;
        EXPECT_EQ((format.dwEffects & CFE_BOLD) != 0, i % 2 == 0) << "run " << i;
        EXPECT_EQ(format.crTextColor, i % 2 == 0 ? kHeadingColour : kItemColour);
    }
    EXPECT_EQ(Selection(ListingPane).cpMin, 3);
    EXPECT_EQ(Selection(ListingPane).cpMax, 5);

    // Laying the text out makes one font per style, not one per run (a process has a
    // few thousand GDI objects, a long listing more runs than that), and the release
    // deletes them.
    OwnedDc dc(CreateCompatibleDC(nullptr));
    RECT area = {360, 360, 11160, 14962};
    LayOutPage(source, dc.get(), area, 0, -1);
    EXPECT_EQ(source.styles.size(), 2u);
    ASSERT_EQ(source.fonts.size(), 2u) << "the bold headings' font and the items'";
    std::vector<HFONT> fonts;
    for (const PrintFont& font : source.fonts)
        fonts.push_back(font.handle);
    ReleasePageSource(source);
    for (HFONT font : fonts)
        EXPECT_EQ(GetObjectType(font), 0u) << "a font outlived the print";
}

// A stand-in for the Rich Edit control's page layout as Microsoft documents it, for the
// print loop that Windows runs (Wine's EM_FORMATRANGE lays out nothing): a text of
// `length` characters, `perPage` of which fit a page, none from `stallFrom` on.
// EM_FORMATRANGE returns the index of the first character that did not fit, the end of
// the range on its last page; wParam 0 measures, nonzero renders; a null request frees
// the cache. Selecting everything takes in the final paragraph mark, as the control's
// does; the text's length leaves it out.
struct FormatCall {
    bool render;
    CHARRANGE chrg;
    LONG next;
};
struct StandInPane {
    LONG length = 0;
    LONG perPage = 100;
    LONG stallFrom = LONG_MAX;
    CHARRANGE selection = {0, 0};
    std::vector<FormatCall> calls;
    int frees = 0;
    int callsAfterFree = 0;
};
StandInPane standIn;

LRESULT CALLBACK StandInPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case EM_FORMATRANGE: {
            if (!lParam) {
                ++standIn.frees;
                return 0;
            }
            if (standIn.frees > 0)
                ++standIn.callsAfterFree;
            const auto* range = reinterpret_cast<const FORMATRANGE*>(lParam);
            LONG end = range->chrg.cpMax < 0 || range->chrg.cpMax > standIn.length
                           ? standIn.length
                           : range->chrg.cpMax;
            LONG from = std::min(std::max(range->chrg.cpMin, 0L), end);
            LONG next = from >= standIn.stallFrom ? from : std::min(from + standIn.perPage, end);
            standIn.calls.push_back({wParam != 0, range->chrg, next});
            return next;
        }
        case EM_EXGETSEL:
            *reinterpret_cast<CHARRANGE*>(lParam) = standIn.selection;
            return 0;
        case EM_EXSETSEL: {
            CHARRANGE want = *reinterpret_cast<const CHARRANGE*>(lParam);
            if (want.cpMin == 0 && want.cpMax == -1)
                want.cpMax = standIn.length + 1;
            standIn.selection = want;
            return want.cpMax;
        }
        case EM_HIDESELECTION:
            return 0;
        case EM_GETTEXTLENGTHEX:
        case WM_GETTEXTLENGTH:
            return standIn.length;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int countedPages = 0;
int WINAPI CountStartPage(HDC) {
    ++countedPages;
    return 1;
}
int WINAPI CountEndPage(HDC) {
    return 1;
}

// Prints from the stand-in in ListingPane's place, on a memory device context, and
// counts the pages; the real pane is back afterwards.
class FormatRangeLoop : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA type = {};
        type.lpfnWndProc = StandInPaneProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "KelvoraStandInPane";
        RegisterClassA(&type);
        pane = CreateWindowA("KelvoraStandInPane", "", WS_CHILD, 0, 0, 10, 10, panes.window(),
                             nullptr, type.hInstance, nullptr);
        realPane = ListingPane;
        ListingPane = pane;
        standIn = StandInPane();
        answer = DialogAnswer();
        answer.memoryDc = true;
        chooseSelection = false;
        countedPages = 0;
        UsePrintDialog(StandInPrintDialog);
        UsePageCalls(CountStartPage, CountEndPage);
    }
    void TearDown() override {
        UsePageCalls(nullptr, nullptr);
        UsePrintDialog(nullptr);
        ListingPane = realPane;
        DestroyWindow(pane);
    }
    // The ranges rendered, in order.
    static std::vector<FormatCall> Rendered() {
        std::vector<FormatCall> rendered;
        for (const FormatCall& call : standIn.calls) {
            if (call.render)
                rendered.push_back(call);
        }
        return rendered;
    }
    void Print() {
        PrintListing(panes.window());
        EXPECT_EQ(standIn.frees, 1) << "the cache is freed once, at the end";
        EXPECT_EQ(standIn.callsAfterFree, 0);
    }

    TestPanes panes;
    HWND pane = nullptr;
    HWND realPane = nullptr;
};

TEST_F(FormatRangeLoop, OnePageEmptyPaneAndAPageThatTakesNothingPrintNoBlankPage) {
    standIn.length = 80;  // fits one page
    Print();
    EXPECT_EQ(countedPages, 1);
    EXPECT_EQ(Rendered().size(), 1u);
    ASSERT_FALSE(Rendered().empty());
    EXPECT_EQ(Rendered()[0].chrg.cpMin, 0);
    EXPECT_EQ(Rendered()[0].next, 80);

    standIn = StandInPane();  // empty: one blank page
    countedPages = 0;
    Print();
    EXPECT_EQ(countedPages, 1);
    EXPECT_EQ(Rendered().size(), 1u);

    standIn = StandInPane();
    standIn.length = 1000;
    standIn.stallFrom = 300;  // three pages, then one that takes no character
    countedPages = 0;
    Print();
    EXPECT_EQ(countedPages, 3);
    ASSERT_GE(Rendered().size(), 3u);
    EXPECT_EQ(Rendered().size(), 3u);
    EXPECT_EQ(Rendered()[2].next, 300);
}

TEST_F(FormatRangeLoop, ManyPagesFollowOneAnotherAndASelectionPrintsOnlyItself) {
    standIn.length = 10000;
    standIn.perPage = 97;
    Print();
    std::vector<FormatCall> rendered = Rendered();
    EXPECT_EQ(countedPages, 104);
    ASSERT_EQ(rendered.size(), 104u);
    LONG at = 0;
    for (const FormatCall& call : rendered) {
        EXPECT_EQ(call.chrg.cpMin, at) << "nothing skipped or doubled";
        EXPECT_EQ(call.chrg.cpMax, -1);
        at = call.next;
    }
    EXPECT_EQ(at, 10000);

    standIn = StandInPane();
    standIn.length = 1000;
    standIn.selection = {120, 380};
    chooseSelection = true;
    countedPages = 0;
    Print();
    rendered = Rendered();
    EXPECT_EQ(countedPages, 3);
    ASSERT_EQ(rendered.size(), 3u);
    for (size_t i = 0; i < rendered.size(); ++i) {
        EXPECT_EQ(rendered[i].chrg.cpMin, 120 + 100 * LONG(i));
        EXPECT_EQ(rendered[i].chrg.cpMax, 380);
    }
    EXPECT_EQ(rendered.back().next, 380);
    EXPECT_EQ(standIn.selection.cpMin, 120);
    EXPECT_EQ(standIn.selection.cpMax, 380);
}

// The page range measures the pages before it and renders its own; uncollated copies
// render each page twice; a range past the last page prints no document.
TEST_F(FormatRangeLoop, APageRangeAndCopiesRenderTheAskedPagesOnly) {
    standIn.length = 1000;
    answer.fromPage = 2;
    answer.toPage = 3;
    answer.copies = 2;
    Print();
    std::vector<FormatCall> rendered = Rendered();
    EXPECT_EQ(countedPages, 4);
    ASSERT_EQ(rendered.size(), 4u);
    const LONG starts[] = {100, 100, 200, 200};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(rendered[i].chrg.cpMin, starts[i]) << "page " << i;

    standIn = StandInPane();
    standIn.length = 250;
    answer.fromPage = 4;
    answer.toPage = 5;
    countedPages = 0;
    Print();
    EXPECT_EQ(countedPages, 0);
    EXPECT_TRUE(Rendered().empty());
}

// Run by ctest after the print server has stopped (KELVORA_NO_PRINTER=1): Wine then
// knows no printer at all, and the platform's dialog only says so.
std::string noticeTexts;
bool dialogOffered = false;

bool DismissNotice() {
    HWND box = FindDialog("Print");
    if (!box)
        return false;
    dialogOffered = GetDlgItem(box, 0x473) != nullptr;  // cmb4: the printer list
    noticeTexts = ChildTexts(box);
    SendMessageA(box, WM_COMMAND, dialogOffered ? IDCANCEL : IDOK, 0);
    return true;
}

TEST(NoPrinter, PrintingEndsQuietly) {
    ASSERT_NE(GetEnvironmentVariableA("KELVORA_NO_PRINTER", nullptr, 0), 0u)
        << "runs only without a print server (ctest output_tests_no_printer)";
    char name[256];
    DWORD size = sizeof name;
    ASSERT_FALSE(GetDefaultPrinterA(name, &size)) << "a printer is still there: " << name;
    TestPanes panes;
    WriteListing(ListingPane, MakeListing(1, 2));
    SetSelection(ListingPane, 3, 8);
    std::string before = PaneText(ListingPane);
    WhileModal(DismissNotice);
    PrintListing(panes.window());
    EXPECT_FALSE(dialogOffered) << noticeTexts;
    EXPECT_EQ(PaneText(ListingPane), before);
    EXPECT_EQ(Selection(ListingPane).cpMin, 3);
    EXPECT_EQ(Selection(ListingPane).cpMax, 8);
}

}  // namespace

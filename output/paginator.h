// The program's own page layout of the listing pane, for when the Rich Edit control
// does not lay out pages itself (its EM_FORMATRANGE draws nothing and makes no
// progress). It draws the pane's text in its runs of character format (face, size,
// bold, italic, underline, strike-out, colour) into a rectangle of the page, breaks
// lines at word boundaries and reports where the next page starts, so that one print
// loop can drive either layout.
#pragma once
#include <windows.h>
#include <richedit.h>

#include <map>
#include <string>
#include <vector>

// A stretch of characters [start, end) in one of the source's styles.
struct TextRun {
    LONG start;
    LONG end;
    size_t style;
};

// One character format of the text, and the font it prints in.
struct RunStyle {
    CHARFORMATA format;
    int font;  // index into PageSource::fonts; -1 until the style is first drawn
};

// A font made for the page's device, shared by every style that prints in it.
struct PrintFont {
    HFONT handle;
    int ascent;
    int descent;
};

// What a print job lays out: the pane's whole text and the runs of the part to print.
// Each format is one style and each distinct font one HFONT for the whole job, however
// many runs use them.
struct PageSource {
    std::wstring text;  // one "\r" per paragraph break, as the control counts positions
    std::vector<TextRun> runs;
    std::vector<RunStyle> styles;
    std::vector<PrintFont> fonts;
    std::map<std::string, size_t> styleIndex;  // what a style or font is -> its index
    std::map<std::string, size_t> fontIndex;
};

// Reads the pane's text and the character runs of [from, to) (to -1: up to the end),
// in one pass over the pane's Rich Text Format stream; where that stream does not
// carry the pane's text, stretch by stretch from the control. The pane's selection
// and scroll position are the same afterwards.
void ReadPageSource(HWND pane, LONG from, LONG to, PageSource& source);

// Deletes the fonts made while laying out pages.
void ReleasePageSource(PageSource& source);

// Draws one page: the characters from `from` on, up to `to` (-1: the end of the text),
// line by line into area (twips, measured in the printable area of dc). Returns the
// position of the first character that did not fit, or `to` (the text's length for
// -1) when all of them did. The first line of a page is always placed, clipped when
// it is taller than the area, and a word wider than a line is broken inside, so a
// page with characters left takes at least one. An empty area takes none. With draw
// false the page is only measured: the same answer, nothing drawn.
LONG LayOutPage(PageSource& source, HDC dc, const RECT& area, LONG from, LONG to, bool draw = true);

#include "output/paginator.h"

#include <algorithm>

#include "shell/bounded_text.h"

namespace {

constexpr LONG kTwipsPerInch = 1440;
constexpr LONG kTabStopTwips = 720;  // the control's default tab stops, every half inch
constexpr DWORD kRunMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
                           CFM_STRIKEOUT | CFM_COLOR | CFM_CHARSET;

void Select(HWND pane, LONG from, LONG to) {
    CHARRANGE range = {from, to};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

// The format of the selection [from, to); its mask tells which parts are the same
// over the whole stretch.
CHARFORMATA FormatOf(HWND pane, LONG from, LONG to) {
    Select(pane, from, to);
    CHARFORMATA format;
    ZeroMemory(&format, sizeof format);
    format.cbSize = sizeof format;
    SendMessageA(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

bool Uniform(HWND pane, LONG from, LONG to) {
    return (FormatOf(pane, from, to).dwMask & kRunMask) == kRunMask;
}

// The end of the run that starts at `from`, at most `end`: doubling steps until the
// format changes, then halving, so a run costs a few probes, not one per character.
LONG RunEnd(HWND pane, LONG from, LONG end) {
    if (Uniform(pane, from, end))
        return end;
    LONG good = from + 1;  // [from, good) has one format
    LONG bad = end;        // [from, bad) has more than one
    for (LONG length = 2; from + length < bad; length *= 2) {
        if (!Uniform(pane, from, from + length)) {
            bad = from + length;
            break;
        }
        good = from + length;
    }
    while (bad - good > 1) {
        LONG middle = good + (bad - good) / 2;
        if (Uniform(pane, from, middle)) {
            good = middle;
        } else {
            bad = middle;
        }
    }
    return good;
}

bool IsBreak(wchar_t c) {
    return c == L'\r' || c == L'\n' || c == L'\v' || c == 0x2028 || c == 0x2029;
}

struct Piece {
    LONG start;
    LONG stop;
    int x;
    size_t run;
    bool tab;
};

struct Line {
    LONG next;
    int ascent;
    int descent;
    std::vector<Piece> pieces;
};

// One page's device and the source it draws from.
struct Layout {
    PageSource* source;
    HDC dc;
    int dpiX;
    int dpiY;
    int tab;  // the distance between tab stops, device units
};

Layout MakeLayout(PageSource& source, HDC dc) {
    Layout layout;
    layout.source = &source;
    layout.dc = dc;
    layout.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    layout.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    layout.tab = std::max(1, MulDiv(kTabStopTwips, layout.dpiX, kTwipsPerInch));
    return layout;
}

// The run that holds position at; runs.size() when none does.
size_t RunAt(const Layout& layout, LONG at) {
    const std::vector<TextRun>& runs = layout.source->runs;
    auto after = std::upper_bound(runs.begin(), runs.end(), at,
                                  [](LONG p, const TextRun& r) { return p < r.start; });
    if (after == runs.begin())
        return runs.size();
    size_t index = static_cast<size_t>(after - runs.begin()) - 1;
    return at < runs[index].end ? index : runs.size();
}

// Selects the run's font into the device, making it on first use.
void UseFont(Layout& layout, size_t index) {
    TextRun& run = layout.source->runs[index];
    if (!run.font) {
        LOGFONTA font;
        ZeroMemory(&font, sizeof font);
        font.lfHeight = -MulDiv(run.format.yHeight, layout.dpiY, kTwipsPerInch);
        if (font.lfHeight == 0)
            font.lfHeight = -1;
        font.lfWeight = (run.format.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (run.format.dwEffects & CFE_ITALIC) ? TRUE : FALSE;
        font.lfUnderline = (run.format.dwEffects & CFE_UNDERLINE) ? TRUE : FALSE;
        font.lfStrikeOut = (run.format.dwEffects & CFE_STRIKEOUT) ? TRUE : FALSE;
        font.lfCharSet = run.format.bCharSet;
        font.lfPitchAndFamily = run.format.bPitchAndFamily;
        CopyText(font.lfFaceName, sizeof font.lfFaceName, run.format.szFaceName);
        run.font = CreateFontIndirectA(&font);
        SelectObject(layout.dc, run.font);
        TEXTMETRICA metrics;
        GetTextMetricsA(layout.dc, &metrics);
        run.ascent = metrics.tmAscent;
        run.descent = metrics.tmDescent;
    }
    SelectObject(layout.dc, run.font);
}

// Builds the line that starts at `at` within `width` device units, from the characters
// before `end`. False when a character has no run.
bool BuildLine(Layout& layout, LONG at, LONG end, int width, Line& line) {
    const std::wstring& text = layout.source->text;
    const std::vector<TextRun>& runs = layout.source->runs;
    line.pieces.clear();
    line.next = end;
    int x = 0;
    LONG wrap = -1;  // where the line may end: after the last blank so far
    LONG c = at;
    size_t breakRun = runs.size();
    while (c < end) {
        size_t run = RunAt(layout, c);
        if (run == runs.size())
            return false;
        if (IsBreak(text[c])) {
            breakRun = run;
            line.next = c + 1;
            break;
        }
        UseFont(layout, run);
        if (text[c] == L'\t') {
            x = (x / layout.tab + 1) * layout.tab;
            line.pieces.push_back({c, c + 1, x, run, true});
            ++c;
            wrap = c;
            continue;
        }
        // A segment: the characters of this run up to the next tab or break.
        LONG stop = std::min(end, runs[run].end);
        LONG segmentEnd = c;
        while (segmentEnd < stop && text[segmentEnd] != L'\t' && !IsBreak(text[segmentEnd]))
            ++segmentEnd;
        int count = static_cast<int>(segmentEnd - c);
        std::vector<int> extents(static_cast<size_t>(count));
        SIZE size;
        GetTextExtentExPointW(layout.dc, &text[c], count, 0, nullptr, extents.data(), &size);
        LONG overflow = -1;
        for (int i = 0; i < count; ++i) {
            if (x + extents[i] > width && text[c + i] != L' ') {
                overflow = c + i;
                break;
            }
            if (text[c + i] == L' ')
                wrap = c + i + 1;
        }
        if (overflow < 0) {
            line.pieces.push_back({c, segmentEnd, x, run, false});
            x += count > 0 ? extents[count - 1] : 0;
            c = segmentEnd;
            continue;
        }
        // The line is full: it ends after the last blank, else inside the word, and a
        // character wider than the whole line goes alone.
        if (wrap > at) {
            line.next = wrap;
        } else if (overflow > at) {
            line.next = overflow;
        } else {
            line.next = overflow + 1;
        }
        line.pieces.push_back({c, overflow + 1, x, run, false});
        break;
    }
    // Cut what lies beyond the line's end; the line's height comes from what stays.
    line.ascent = 0;
    line.descent = 0;
    std::vector<Piece> kept;
    for (Piece p : line.pieces) {
        if (p.start >= line.next)
            continue;
        p.stop = std::min(p.stop, line.next);
        kept.push_back(p);
        line.ascent = std::max(line.ascent, runs[p.run].ascent);
        line.descent = std::max(line.descent, runs[p.run].descent);
    }
    line.pieces.swap(kept);
    if (line.pieces.empty() && breakRun < runs.size()) {
        // An empty paragraph is as high as its paragraph mark.
        UseFont(layout, breakRun);
        line.ascent = runs[breakRun].ascent;
        line.descent = runs[breakRun].descent;
    }
    return true;
}

void DrawLine(Layout& layout, const Line& line, const RECT& clip, int baseline) {
    for (const Piece& p : line.pieces) {
        if (p.tab)
            continue;
        const TextRun& run = layout.source->runs[p.run];
        UseFont(layout, p.run);
        SetTextColor(layout.dc, (run.format.dwEffects & CFE_AUTOCOLOR)
                                    ? GetSysColor(COLOR_WINDOWTEXT)
                                    : run.format.crTextColor);
        ExtTextOutW(layout.dc, clip.left + p.x, baseline, ETO_CLIPPED, &clip,
                    &layout.source->text[p.start], static_cast<UINT>(p.stop - p.start), nullptr);
    }
}

}  // namespace

void ReadPageSource(HWND pane, LONG from, LONG to, PageSource& source) {
    ReleasePageSource(source);
    source.text.clear();
    GETTEXTLENGTHEX lengthRequest = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT length =
        SendMessageW(pane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthRequest), 0);
    if (length > 0) {
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GETTEXTEX request;
        ZeroMemory(&request, sizeof request);
        request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        request.flags = GT_DEFAULT;
        request.codepage = 1200;
        LRESULT got = SendMessageW(pane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                   reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min(got, length))));
        source.text.swap(text);
    }

    LONG textLength = static_cast<LONG>(source.text.size());
    LONG end = (to < 0 || to > textLength) ? textLength : to;
    if (from < 0)
        from = 0;
    if (from >= end)
        return;

    // The runs are found by selecting stretches of text: the selection and the view
    // are put back afterwards, and the selection is hidden meanwhile.
    CHARRANGE saved;
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    POINT scroll = {0, 0};
    SendMessageA(pane, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageA(pane, EM_HIDESELECTION, 1, 0);
    for (LONG at = from; at < end;) {
        TextRun run;
        ZeroMemory(&run, sizeof run);
        run.start = at;
        run.end = RunEnd(pane, at, end);
        run.format = FormatOf(pane, at, at + 1);
        source.runs.push_back(run);
        at = run.end;
    }
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    SendMessageA(pane, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageA(pane, EM_HIDESELECTION, 0, 0);
}

void ReleasePageSource(PageSource& source) {
    for (TextRun& run : source.runs) {
        if (run.font)
            DeleteObject(run.font);
        run.font = nullptr;
    }
    source.runs.clear();
}

LONG LayOutPage(PageSource& source, HDC dc, const RECT& area, LONG from, LONG to) {
    LONG textLength = static_cast<LONG>(source.text.size());
    LONG limit = to < 0 ? textLength : to;
    LONG end = std::min(limit, textLength);
    if (from >= end)
        return std::max(limit, from);

    Layout layout = MakeLayout(source, dc);
    RECT box = {MulDiv(area.left, layout.dpiX, kTwipsPerInch),
                MulDiv(area.top, layout.dpiY, kTwipsPerInch),
                MulDiv(area.right, layout.dpiX, kTwipsPerInch),
                MulDiv(area.bottom, layout.dpiY, kTwipsPerInch)};
    int width = box.right - box.left;
    if (width <= 0 || box.bottom <= box.top)
        return from;

    int savedState = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    int y = box.top;
    LONG at = from;
    Line line;
    while (at < end) {
        if (!BuildLine(layout, at, end, width, line))
            break;
        int height = line.ascent + line.descent;
        if (at != from && y + height > box.bottom)
            break;
        DrawLine(layout, line, box, y + line.ascent);
        y += height;
        at = line.next;
    }
    RestoreDC(dc, savedState);
    return at >= end ? limit : at;
}

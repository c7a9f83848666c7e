#include "output/paginator.h"

#include <algorithm>

#include "base/bounded_text.h"
#include "output/rtf_runs.h"

namespace {

constexpr LONG kTwipsPerInch = 1440;
constexpr LONG kTabStopTwips = 720;  // the control's default tab stops, every half inch
constexpr DWORD kRunMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
                           CFM_STRIKEOUT | CFM_COLOR | CFM_CHARSET;
constexpr DWORD kRunEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_AUTOCOLOR;
// The formats read from the stream are taken as the control reports them, one
// selection per distinct format (each costs the control a walk over its text); past
// this many, as the stream writes them (sizes in half points).
constexpr size_t kMaxFormatQueries = 16;

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
    bool wide;  // holds a character wider than the line
    std::vector<Piece> pieces;
};

// One page's device and the source it draws from.
struct Layout {
    PageSource* source;
    HDC dc;
    int dpiX;
    int dpiY;
    int tab;        // the distance between tab stops, device units
    HFONT current;  // the font selected into dc by the layout; null before the first
};

Layout MakeLayout(PageSource& source, HDC dc) {
    Layout layout;
    layout.source = &source;
    layout.dc = dc;
    layout.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    layout.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    layout.tab = std::max(1, MulDiv(kTabStopTwips, layout.dpiX, kTwipsPerInch));
    layout.current = nullptr;
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

// The font that the run prints in, selected into the device; made on first use, once
// per distinct font for the whole source.
const PrintFont& UseFont(Layout& layout, size_t index) {
    PageSource& source = *layout.source;
    RunStyle& style = source.styles[source.runs[index].style];
    if (style.font < 0) {
        const CHARFORMATA& format = style.format;
        LOGFONTA font;
        ZeroMemory(&font, sizeof font);
        font.lfHeight = -MulDiv(format.yHeight, layout.dpiY, kTwipsPerInch);
        if (font.lfHeight == 0)
            font.lfHeight = -1;
        font.lfWeight = (format.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (format.dwEffects & CFE_ITALIC) ? TRUE : FALSE;
        font.lfUnderline = (format.dwEffects & CFE_UNDERLINE) ? TRUE : FALSE;
        font.lfStrikeOut = (format.dwEffects & CFE_STRIKEOUT) ? TRUE : FALSE;
        font.lfCharSet = format.bCharSet;
        font.lfPitchAndFamily = format.bPitchAndFamily;
        CopyText(font.lfFaceName, sizeof font.lfFaceName, format.szFaceName);
        std::string key(reinterpret_cast<const char*>(&font), sizeof font);
        auto found = source.fontIndex.find(key);
        if (found == source.fontIndex.end()) {
            PrintFont made;
            made.handle = CreateFontIndirectA(&font);
            SelectObject(layout.dc, made.handle);
            layout.current = made.handle;
            TEXTMETRICA metrics;
            GetTextMetricsA(layout.dc, &metrics);
            made.ascent = metrics.tmAscent;
            made.descent = metrics.tmDescent;
            found = source.fontIndex.emplace(key, source.fonts.size()).first;
            source.fonts.push_back(made);
        }
        style.font = static_cast<int>(found->second);
    }
    const PrintFont& font = source.fonts[static_cast<size_t>(style.font)];
    // Selecting a font costs a printer driver a font look-up: only a change is made.
    if (layout.current != font.handle) {
        SelectObject(layout.dc, font.handle);
        layout.current = font.handle;
    }
    return font;
}

// Builds the line that starts at `at` within `width` device units, from the characters
// before `end`. False when a character has no run.
bool BuildLine(Layout& layout, LONG at, LONG end, int width, Line& line) {
    const std::wstring& text = layout.source->text;
    const std::vector<TextRun>& runs = layout.source->runs;
    line.pieces.clear();
    line.next = end;
    line.wide = false;
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
            line.wide = true;
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
        const PrintFont& font = UseFont(layout, p.run);
        line.ascent = std::max(line.ascent, font.ascent);
        line.descent = std::max(line.descent, font.descent);
    }
    line.pieces.swap(kept);
    if (line.pieces.empty() && breakRun < runs.size()) {
        // An empty paragraph is as high as its paragraph mark.
        const PrintFont& font = UseFont(layout, breakRun);
        line.ascent = font.ascent;
        line.descent = font.descent;
    }
    return true;
}

// Draws the line, cut at the edges of clip when it does not fit inside (clipping costs
// a printer driver a clip path per call).
void DrawLine(Layout& layout, const Line& line, const RECT& clip, int baseline) {
    bool cut =
        line.wide || baseline - line.ascent < clip.top || baseline + line.descent > clip.bottom;
    for (const Piece& p : line.pieces) {
        if (p.tab)
            continue;
        const CHARFORMATA& format = layout.source->styles[layout.source->runs[p.run].style].format;
        UseFont(layout, p.run);
        SetTextColor(layout.dc, (format.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT)
                                                                   : format.crTextColor);
        ExtTextOutW(layout.dc, clip.left + p.x, baseline, cut ? ETO_CLIPPED : 0,
                    cut ? &clip : nullptr, &layout.source->text[p.start],
                    static_cast<UINT>(p.stop - p.start), nullptr);
    }
}

// The style of a format, added when the source has none like it yet. Formats that
// print alike (the same face, size, effects, colour and character set) share one.
size_t StyleOf(PageSource& source, const CHARFORMATA& format) {
    CHARFORMATA key;
    ZeroMemory(&key, sizeof key);
    key.yHeight = format.yHeight;
    key.dwEffects = format.dwEffects & kRunEffects;
    key.crTextColor = (format.dwEffects & CFE_AUTOCOLOR) ? 0 : format.crTextColor;
    key.bCharSet = format.bCharSet;
    key.bPitchAndFamily = format.bPitchAndFamily;
    CopyText(key.szFaceName, sizeof key.szFaceName, format.szFaceName);
    std::string bytes(reinterpret_cast<const char*>(&key), sizeof key);
    auto found = source.styleIndex.find(bytes);
    if (found != source.styleIndex.end())
        return found->second;
    source.styles.push_back({format, -1});
    return source.styleIndex.emplace(bytes, source.styles.size() - 1).first->second;
}

// Appends [start, end) in style, joined to the run before when that has the same one.
void AddRun(PageSource& source, LONG start, LONG end, size_t style) {
    if (!source.runs.empty() && source.runs.back().style == style &&
        source.runs.back().end == start) {
        source.runs.back().end = end;
    } else {
        source.runs.push_back({start, end, style});
    }
}

// The stretch-by-stretch reading: each run found by selecting growing pieces of it.
void ReadRunsBySelection(HWND pane, LONG from, LONG end, PageSource& source) {
    for (LONG at = from; at < end;) {
        LONG runEnd = RunEnd(pane, at, end);
        AddRun(source, at, runEnd, StyleOf(source, FormatOf(pane, at, at + 1)));
        at = runEnd;
    }
}

DWORD CALLBACK KeepChunk(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(bytes),
                                                   static_cast<size_t>(count));
    *written = count;
    return 0;
}

void DecodeCodePage(unsigned codePage, const char* bytes, size_t count, std::u16string& out) {
    int length = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
    if (length <= 0) {
        out.append(count, u'\xFFFD');
        return;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), &wide[0], length);
    for (wchar_t c : wide)
        out += static_cast<char16_t>(c);
}

// The format of a run as the stream wrote it.
CHARFORMATA FormatFromStream(const RtfFormat& written) {
    CHARFORMATA format;
    ZeroMemory(&format, sizeof format);
    format.cbSize = sizeof format;
    format.dwMask = kRunMask;
    format.dwEffects = (written.bold ? CFE_BOLD : 0) | (written.italic ? CFE_ITALIC : 0) |
                       (written.underline ? CFE_UNDERLINE : 0) |
                       (written.strike ? CFE_STRIKEOUT : 0) |
                       (written.colour < 0 ? CFE_AUTOCOLOR : 0);
    format.yHeight = written.halfPoints * 10;
    format.crTextColor = written.colour < 0 ? 0 : static_cast<COLORREF>(written.colour);
    format.bCharSet = static_cast<BYTE>(written.charset);
    CopyText(format.szFaceName, sizeof format.szFaceName, written.face.c_str());
    return format;
}

// The one-pass reading: the runs of the pane's RTF stream. False when the stream's
// text is not the pane's (an embedded object, a table), so that its positions cannot
// be trusted.
bool ReadRunsFromStream(HWND pane, LONG from, LONG end, PageSource& source) {
    std::string rtf;
    EDITSTREAM stream;
    ZeroMemory(&stream, sizeof stream);
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf);
    stream.pfnCallback = KeepChunk;
    SendMessageA(pane, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    RtfDocument document;
    if (!ReadRtfRuns(rtf.data(), rtf.size(), DecodeCodePage, document))
        return false;
    // The stream ends with the control's closing paragraph mark, which is not text.
    const std::wstring& text = source.text;
    if (document.text.size() == text.size() + 1 && document.text.back() == u'\r')
        document.text.pop_back();
    if (document.text.size() != text.size() ||
        !std::equal(text.begin(), text.end(), document.text.begin(),
                    [](wchar_t a, char16_t b) { return static_cast<char16_t>(a) == b; })) {
        return false;
    }
    std::vector<int> styleOf(document.formats.size(), -1);
    size_t queries = 0;
    for (const RtfRun& run : document.runs) {
        LONG start = std::max(from, static_cast<LONG>(run.start));
        LONG stop = std::min(end, static_cast<LONG>(std::min(run.end, text.size())));
        if (start >= stop)
            continue;
        int& style = styleOf[run.format];
        if (style < 0) {
            CHARFORMATA format = queries++ < kMaxFormatQueries
                                     ? FormatOf(pane, start, start + 1)
                                     : FormatFromStream(document.formats[run.format]);
            style = static_cast<int>(StyleOf(source, format));
        }
        AddRun(source, start, stop, static_cast<size_t>(style));
    }
    return true;
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

    // Formats are asked for by selecting stretches of text: the selection and the view
    // are put back afterwards, and the selection is hidden meanwhile.
    CHARRANGE saved;
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    POINT scroll = {0, 0};
    SendMessageA(pane, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageA(pane, EM_HIDESELECTION, 1, 0);
    if (!ReadRunsFromStream(pane, from, end, source)) {
        source.runs.clear();
        source.styles.clear();
        source.styleIndex.clear();
        ReadRunsBySelection(pane, from, end, source);
    }
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    SendMessageA(pane, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageA(pane, EM_HIDESELECTION, 0, 0);
}

void ReleasePageSource(PageSource& source) {
    for (PrintFont& font : source.fonts) {
        if (font.handle)
            DeleteObject(font.handle);
    }
    source.fonts.clear();
    source.fontIndex.clear();
    source.runs.clear();
    source.styles.clear();
    source.styleIndex.clear();
}

LONG LayOutPage(PageSource& source, HDC dc, const RECT& area, LONG from, LONG to, bool draw) {
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
        if (draw)
            DrawLine(layout, line, box, y + line.ascent);
        y += height;
        at = line.next;
    }
    RestoreDC(dc, savedState);
    return at >= end ? limit : at;
}

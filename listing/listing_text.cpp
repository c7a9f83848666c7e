#include "listing/listing_text.h"

#include <richedit.h>

#include <cstring>

#include "base/long_work.h"
#include "base/wide_text.h"
#include "listing/listing_rtf.h"

namespace {

LONG Units(const char* text, size_t bytes) {
    if (bytes == 0)
        return 0;
    return MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), nullptr, 0);
}

void SetInsertionStyle(HWND pane, const TextStyle& style) {
    CHARFORMATA format = style.format;
    format.cbSize = sizeof format;
    SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

}  // namespace

void InsertAtCaret(HWND pane, const std::string& text) {
    // As UTF-16, whose reading the control documents for every code page; the text
    // takes the insertion style. Not undoable, like the rest of the program's writing.
    const std::wstring wide = WideFromAnsi(text.data(), static_cast<int>(text.size()));
    SETTEXTEX how = {ST_SELECTION, 1200};
    SendMessageW(pane, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

namespace {

bool IsDoubleByteCodePage(UINT codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize == 2;
}

void AppendEffect(std::string& words, const CHARFORMATA& item, const CHARFORMATA& heading,
                  DWORD effect, const char* on, const char* off) {
    const bool had = (item.dwEffects & effect) != 0;
    const bool has = (heading.dwEffects & effect) != 0;
    if (had != has)
        words += has ? on : off;
}

}  // namespace

void ListingText::Append(const std::string& text) {
    if (text.empty())
        return;
    if (runs_.empty() || runs_.back().style != pending_)
        runs_.push_back({pending_, std::string()});
    runs_.back().text += text;
}

size_t ListingText::Characters() const {
    size_t bytes = 0;
    for (const Run& run : runs_)
        bytes += run.text.size();
    return bytes;
}

void ListingText::ReplaceUnderscores(UINT codePage) {
    for (size_t r = 0; r < runs_.size(); ++r) {
        size_t end = ReplaceUnderscoresInText(runs_[r].text, codePage);
        if (end != std::string::npos) {
            lastUnderscoreRun_ = r;
            lastUnderscoreEnd_ = end;
        }
    }
}

LONG ListingText::AfterLastUnderscore() const {
    LONG units = 0;
    for (size_t r = 0; r < lastUnderscoreRun_; ++r)
        units += Units(runs_[r].text.data(), runs_[r].text.size());
    return units + Units(runs_[lastUnderscoreRun_].text.data(), lastUnderscoreEnd_);
}

void ListingText::WriteRuns(HWND pane) const {
    const TextStyle* set = nullptr;
    long long written = 0;
    for (const Run& run : runs_) {
        LongWorkProgress("showing the listing, %s%",
                         static_cast<long long>(written++ * 100 / runs_.size()));
        if (run.style != set) {
            SetInsertionStyle(pane, *run.style);
            set = run.style;
        }
        InsertAtCaret(pane, run.text);
    }
    if (pending_ != nullptr && pending_ != set)
        SetInsertionStyle(pane, *pending_);
}

bool ListingText::MakeRtf(std::string& document, bool& sizeForAll, RtfPieces& pieces,
                          size_t pieceBytes) const {
    RtfFormatWords words;
    if (!ListingFormatWords(ItemStyle.format, FolderStyle.format, words))
        return false;
    sizeForAll = words.sizeForAll;
    ListingRtf rtf(words.tables + words.item + ' ', words.heading, pieceBytes);
    std::u16string wide;
    for (const Run& run : runs_) {
        const int bytes = static_cast<int>(run.text.size());
        const int units = MultiByteToWideChar(CP_ACP, 0, run.text.data(), bytes, nullptr, 0);
        wide.resize(static_cast<size_t>(units));
        MultiByteToWideChar(CP_ACP, 0, run.text.data(), bytes, reinterpret_cast<LPWSTR>(&wide[0]),
                            units);
        rtf.AppendRun(run.style == &FolderStyle, wide.data(), wide.size());
    }
    document = rtf.Finish();
    pieces = rtf.Pieces();
    return true;
}

namespace {

// The font table entry's family word, from the family bits of a LOGFONT's pitch and
// family byte.
const char* FamilyWord(BYTE pitchAndFamily) {
    static const char* const kFamilies[] = {"\\fnil",    "\\froman", "\\fswiss", "\\fmodern",
                                            "\\fscript", "\\fdecor", "\\ftech",  "\\fbidi"};
    const unsigned family = (pitchAndFamily >> 4) & 0x0F;
    return family < 8 ? kFamilies[family] : kFamilies[0];
}

std::string ColourEntry(COLORREF c) {
    return "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) +
           "\\blue" + std::to_string(GetBValue(c)) + ";";
}

}  // namespace

bool ListingFormatWords(const CHARFORMATA& item, const CHARFORMATA& heading,
                        RtfFormatWords& words) {
    words = RtfFormatWords();
    if (std::strncmp(item.szFaceName, heading.szFaceName, sizeof item.szFaceName) != 0 ||
        item.bCharSet != heading.bCharSet || item.bPitchAndFamily != heading.bPitchAndFamily ||
        item.yOffset != heading.yOffset || item.yOffset != 0)
        return false;
    if ((item.dwEffects & CFE_AUTOCOLOR) || (heading.dwEffects & CFE_AUTOCOLOR))
        return false;
    // \fs counts half points, ten twips each. A size that is no whole number of them
    // (the default 192 twips) is set on the whole text afterwards instead, which can
    // only be done when both styles share it.
    const bool itemHalfPoints = item.yHeight > 0 && item.yHeight % 10 == 0;
    const bool headingHalfPoints = heading.yHeight > 0 && heading.yHeight % 10 == 0;
    if (item.yHeight != heading.yHeight && !(itemHalfPoints && headingHalfPoints))
        return false;
    words.sizeForAll = !itemHalfPoints;

    // The face, as the font table's only entry.
    std::string face = "{\\fonttbl{\\f0";
    face += FamilyWord(item.bPitchAndFamily);
    face += "\\fcharset" + std::to_string(item.bCharSet);
    face += "\\fprq" + std::to_string(item.bPitchAndFamily & 0x03) + ' ';
    const std::wstring name = WideFromAnsi(item.szFaceName);
    AppendRtfText(face, reinterpret_cast<const char16_t*>(name.c_str()), name.size());
    face += ";}}";
    words.tables = face + "{\\colortbl;" + ColourEntry(item.crTextColor);
    if (heading.crTextColor != item.crTextColor)
        words.tables += ColourEntry(heading.crTextColor);
    words.tables += "}";

    // The item format, for the whole document.
    words.item = "\\f0\\cf1";
    if (itemHalfPoints)
        words.item += "\\fs" + std::to_string(item.yHeight / 10);
    static const CHARFORMATA kPlain = {};
    AppendEffect(words.item, kPlain, item, CFE_BOLD, "\\b", "\\b0");
    AppendEffect(words.item, kPlain, item, CFE_ITALIC, "\\i", "\\i0");
    AppendEffect(words.item, kPlain, item, CFE_UNDERLINE, "\\ul", "\\ulnone");
    AppendEffect(words.item, kPlain, item, CFE_STRIKEOUT, "\\strike", "\\strike0");

    // What turns it into the heading format.
    AppendEffect(words.heading, item, heading, CFE_BOLD, "\\b", "\\b0");
    AppendEffect(words.heading, item, heading, CFE_ITALIC, "\\i", "\\i0");
    AppendEffect(words.heading, item, heading, CFE_UNDERLINE, "\\ul", "\\ulnone");
    AppendEffect(words.heading, item, heading, CFE_STRIKEOUT, "\\strike", "\\strike0");
    if (item.yHeight != heading.yHeight)
        words.heading += "\\fs" + std::to_string(heading.yHeight / 10);
    if (item.crTextColor != heading.crTextColor)
        words.heading += "\\cf2";
    return true;
}

size_t ReplaceUnderscoresInText(std::string& text, UINT codePage) {
    size_t last = std::string::npos;
    if (!IsDoubleByteCodePage(codePage)) {
        for (size_t i = text.find('_'); i != std::string::npos; i = text.find('_', i + 1)) {
            text[i] = ' ';
            last = i + 1;
        }
        return last;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const BYTE c = static_cast<BYTE>(text[i]);
        if (IsDBCSLeadByteEx(codePage, c) && i + 1 < text.size()) {
            ++i;
        } else if (c == '_') {
            text[i] = ' ';
            last = i + 1;
        }
    }
    return last;
}

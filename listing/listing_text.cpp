#include "listing/listing_text.h"

#include <richedit.h>

#include <cstring>

#include "listing/listing_rtf.h"
#include "shell/long_work.h"

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
        SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(run.text.c_str()));
    }
    if (pending_ != nullptr && pending_ != set)
        SetInsertionStyle(pane, *pending_);
}

bool ListingText::MakeRtf(std::string& document) const {
    std::string tables;
    std::string words;
    if (!HeadingControlWords(ItemStyle.format, FolderStyle.format, tables, words))
        return false;
    ListingRtf rtf(tables, words);
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
    return true;
}

bool HeadingControlWords(const CHARFORMATA& item, const CHARFORMATA& heading, std::string& tables,
                         std::string& words) {
    tables.clear();
    words.clear();
    if (std::strncmp(item.szFaceName, heading.szFaceName, sizeof item.szFaceName) != 0 ||
        item.bCharSet != heading.bCharSet || item.bPitchAndFamily != heading.bPitchAndFamily ||
        item.yOffset != heading.yOffset)
        return false;
    AppendEffect(words, item, heading, CFE_BOLD, "\\b", "\\b0");
    AppendEffect(words, item, heading, CFE_ITALIC, "\\i", "\\i0");
    AppendEffect(words, item, heading, CFE_UNDERLINE, "\\ul", "\\ulnone");
    AppendEffect(words, item, heading, CFE_STRIKEOUT, "\\strike", "\\strike0");
    if ((item.dwEffects & CFE_AUTOCOLOR) || (heading.dwEffects & CFE_AUTOCOLOR))
        return false;
    if (item.yHeight != heading.yHeight) {
        // \fs counts half points, ten twips each.
        if (heading.yHeight <= 0 || heading.yHeight % 10 != 0)
            return false;
        words += "\\fs" + std::to_string(heading.yHeight / 10);
    }
    if (item.crTextColor != heading.crTextColor) {
        const COLORREF c = heading.crTextColor;
        tables = "{\\colortbl;\\red" + std::to_string(GetRValue(c)) + "\\green" +
                 std::to_string(GetGValue(c)) + "\\blue" + std::to_string(GetBValue(c)) + ";}";
        words += "\\cf1";
    }
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

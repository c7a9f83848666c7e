#include "output/rtf_runs.h"

#include <cstring>
#include <map>
#include <tuple>

#include "base/bounded_text.h"

namespace {

constexpr size_t kMaxDepth = 200;  // deeper groups share the state of this level
constexpr size_t kMaxWord = 32;    // longer control words are cut (and unknown)
constexpr int kMaxDigits = 10;     // a longer number is clamped
constexpr long long kMaxParameter = 1000000000LL;
constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kDefaultCodePage = 1252;

enum class Destination { kBody, kFontTable, kColourTable, kSkip };

// What a group carries and restores at its end.
struct State {
    Destination destination = Destination::kBody;
    long font = -1;  // -1: the default font
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    long colour = 0;     // index into the colour table; 0: automatic
    long skipCount = 1;  // \uc: fallback characters after each \u
};

struct Font {
    std::string face;
    int charset = 0;
};

// The code page of a font character set; 0 for the document's own.
unsigned CodePageOf(int charset) {
    switch (charset) {
        case 77:
            return 10000;
        case 128:
            return 932;
        case 129:
            return 949;
        case 130:
            return 1361;
        case 134:
            return 936;
        case 136:
            return 950;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 163:
            return 1258;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 222:
            return 874;
        case 238:
            return 1250;
        default:
            return 0;
    }
}

// The character a symbol control word stands for; null for any other word.
const char16_t* SymbolOf(const std::string& word) {
    static const std::pair<const char*, char16_t> kSymbols[] = {
        {"emdash", u'\x2014'},    {"endash", u'\x2013'}, {"bullet", u'\x2022'},
        {"lquote", u'\x2018'},    {"rquote", u'\x2019'}, {"ldblquote", u'\x201C'},
        {"rdblquote", u'\x201D'},
    };
    for (const auto& symbol : kSymbols) {
        if (word == symbol.first)
            return &symbol.second;
    }
    return nullptr;
}

// UTF-8 to UTF-16; a malformed sequence gives U+FFFD for its first byte.
void DecodeUtf8(const std::string& bytes, std::u16string& out) {
    size_t at = 0;
    while (at < bytes.size()) {
        unsigned char lead = static_cast<unsigned char>(bytes[at]);
        size_t length = Utf8SequenceLength(lead);
        unsigned long value = length == 1 ? lead : lead & (0x7F >> length);
        bool good = length > 0 && at + length <= bytes.size();
        for (size_t i = 1; good && i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(bytes[at + i]);
            good = (c & 0xC0) == 0x80;
            value = (value << 6) | (c & 0x3F);
        }
        if (good && ((length == 3 && (value < 0x800 || (value >= 0xD800 && value < 0xE000))) ||
                     (length == 4 && (value < 0x10000 || value > 0x10FFFF)))) {
            good = false;
        }
        if (!good) {
            out += u'\xFFFD';
            ++at;
            continue;
        }
        if (value >= 0x10000) {
            value -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (value >> 10));
            out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
        } else {
            out += static_cast<char16_t>(value);
        }
        at += length;
    }
}

int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class Reader {
public:
    Reader(const char* bytes, size_t count, RtfDecoder decode, RtfDocument& document)
        : bytes_(reinterpret_cast<const unsigned char*>(bytes)),
          count_(count),
          decode_(decode),
          document_(document) {}

    bool Read();

private:
    void Word(const std::string& word, bool hasParameter, long parameter);
    void Symbol(unsigned char c);
    void TextByte(unsigned char c);
    void Character(char16_t c);
    void FlushBytes();
    void Emit(const char16_t* text, size_t count);
    size_t CurrentFormat();
    void EndFontEntry();
    void EndColourEntry();
    State& state() { return stack_.back(); }

    const unsigned char* bytes_;
    size_t count_;
    size_t at_ = 0;
    RtfDecoder decode_;
    RtfDocument& document_;

    bool utf8_ = false;
    unsigned codePage_ = kDefaultCodePage;
    long defaultFont_ = 0;
    std::vector<State> stack_;
    size_t depth_ = 0;   // the true nesting, which may exceed the stack
    long skipLeft_ = 0;  // fallback characters still to skip after a \u

    std::map<long, Font> fonts_;
    long fontNumber_ = 0;  // the entry being read
    Font fontEntry_;
    std::vector<long> colours_;
    int red_ = -1, green_ = -1, blue_ = -1;

    std::string pending_;  // bytes waiting for their code page
    unsigned pendingCodePage_ = 0;
    std::map<RtfFormat, size_t> formatIndex_;
    bool formatDirty_ = true;
    size_t format_ = 0;
};

bool Reader::Read() {
    document_ = RtfDocument();
    const char* standard = "{\\rtf";
    const char* flavour = "{\\urtf";
    if (count_ >= 6 && std::memcmp(bytes_, flavour, 6) == 0) {
        utf8_ = true;
    } else if (count_ < 5 || std::memcmp(bytes_, standard, 5) != 0) {
        return false;
    }
    stack_.reserve(kMaxDepth);
    while (at_ < count_) {
        unsigned char c = bytes_[at_++];
        if (c == '{') {
            FlushBytes();
            skipLeft_ = 0;
            ++depth_;
            if (stack_.empty()) {
                stack_.push_back(State());
            } else if (stack_.size() < kMaxDepth) {
                stack_.push_back(stack_.back());
            }
            continue;
        }
        if (stack_.empty())
            break;  // text after the document's closing brace
        if (c == '}') {
            FlushBytes();
            skipLeft_ = 0;
            if (state().destination == Destination::kFontTable && !fontEntry_.face.empty())
                EndFontEntry();
            if (depth_ <= stack_.size()) {
                stack_.pop_back();
                formatDirty_ = true;
            }
            --depth_;
            if (depth_ == 0)
                break;
            continue;
        }
        if (c != '\\') {
            TextByte(c);
            continue;
        }
        if (at_ >= count_)
            break;
        unsigned char next = bytes_[at_];
        if (!IsLetter(next)) {
            ++at_;
            Symbol(next);
            continue;
        }
        std::string word;
        while (at_ < count_ && IsLetter(bytes_[at_])) {
            if (word.size() < kMaxWord)
                word += static_cast<char>(bytes_[at_]);
            ++at_;
        }
        bool negative = false;
        if (at_ < count_ && bytes_[at_] == '-') {
            negative = true;
            ++at_;
        }
        bool hasParameter = false;
        long long value = 0;
        int digits = 0;
        while (at_ < count_ && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
            hasParameter = true;
            if (++digits <= kMaxDigits)
                value = value * 10 + (bytes_[at_] - '0');
            ++at_;
        }
        long parameter = static_cast<long>(value > kMaxParameter ? kMaxParameter : value);
        if (negative)
            parameter = -parameter;
        if (at_ < count_ && bytes_[at_] == ' ')
            ++at_;  // the delimiter belongs to the word
        Word(word, hasParameter, parameter);
    }
    FlushBytes();
    return true;
}

void Reader::Word(const std::string& word, bool hasParameter, long parameter) {
    FlushBytes();
    State& s = state();
    // \bin carries that many bytes of data, wherever it stands.
    if (word == "bin") {
        size_t skip = parameter > 0 ? static_cast<size_t>(parameter) : 0;
        at_ += skip < count_ - at_ ? skip : count_ - at_;
        return;
    }
    if (s.destination == Destination::kSkip)
        return;
    if (s.destination == Destination::kFontTable) {
        if (word == "f") {
            if (!fontEntry_.face.empty())
                EndFontEntry();
            fontNumber_ = parameter;
        } else if (word == "fcharset") {
            fontEntry_.charset = static_cast<int>(parameter);
        } else if (word == "panose" || word == "falt" || word == "fname") {
            s.destination = Destination::kSkip;
        }
        return;
    }
    if (s.destination == Destination::kColourTable) {
        int value = parameter < 0 ? 0 : parameter > 255 ? 255 : static_cast<int>(parameter);
        if (word == "red") {
            red_ = value;
        } else if (word == "green") {
            green_ = value;
        } else if (word == "blue") {
            blue_ = value;
        }
        return;
    }
    skipLeft_ = 0;
    bool on = !hasParameter || parameter != 0;
    if (word == "fonttbl") {
        s.destination = Destination::kFontTable;
        fontEntry_ = Font();
    } else if (word == "colortbl") {
        s.destination = Destination::kColourTable;
    } else if (word == "stylesheet" || word == "info" || word == "pict" || word == "object" ||
               word == "header" || word == "headerl" || word == "headerr" || word == "headerf" ||
               word == "footer" || word == "footerl" || word == "footerr" || word == "footerf" ||
               word == "footnote" || word == "fldinst" || word == "listtable" ||
               word == "listoverridetable" || word == "revtbl" || word == "rsidtbl" ||
               word == "xmlnstbl" || word == "filetbl" || word == "themedata" ||
               word == "colorschememapping" || word == "latentstyles" || word == "datastore" ||
               word == "generator" || word == "nonshppict" || word == "private") {
        s.destination = Destination::kSkip;
    } else if (word == "ansicpg") {
        if (parameter > 0)
            codePage_ = static_cast<unsigned>(parameter);
    } else if (word == "deff") {
        defaultFont_ = parameter;
    } else if (word == "f") {
        s.font = parameter;
    } else if (word == "fs") {
        s.halfPoints = parameter > 0 ? static_cast<int>(parameter > 32767 ? 32767 : parameter) : 24;
    } else if (word == "b") {
        s.bold = on;
    } else if (word == "i") {
        s.italic = on;
    } else if (word == "ul" || word == "uld" || word == "uldash" || word == "uldashd" ||
               word == "uldashdd" || word == "uldb" || word == "ulth" || word == "ulw" ||
               word == "ulwave") {
        s.underline = on;
    } else if (word == "ulnone") {
        s.underline = false;
    } else if (word == "strike") {
        s.strike = on;
    } else if (word == "cf") {
        s.colour = parameter;
    } else if (word == "plain") {
        s.font = -1;
        s.halfPoints = 24;
        s.bold = s.italic = s.underline = s.strike = false;
        s.colour = 0;
    } else if (word == "uc") {
        s.skipCount = parameter < 0 ? 0 : parameter;
    } else if (word == "u") {
        char16_t c = static_cast<char16_t>(static_cast<unsigned long>(parameter) & 0xFFFF);
        Character(c);
        skipLeft_ = s.skipCount;
        return;
    } else if (word == "par" || word == "sect") {
        Character(u'\r');
        return;
    } else if (word == "line") {
        Character(u'\v');
        return;
    } else if (word == "tab") {
        Character(u'\t');
        return;
    } else if (const char16_t* symbol = SymbolOf(word)) {
        Character(*symbol);
    } else {
        return;
    }
    formatDirty_ = true;
}

void Reader::Symbol(unsigned char c) {
    if (c == '\'') {
        int high = at_ < count_ ? HexDigit(bytes_[at_]) : -1;
        int low = at_ + 1 < count_ ? HexDigit(bytes_[at_ + 1]) : -1;
        if (high < 0 || low < 0)
            return;
        at_ += 2;
        if (skipLeft_ > 0) {
            --skipLeft_;
            return;
        }
        unsigned char byte = static_cast<unsigned char>(high * 16 + low);
        if (state().destination == Destination::kFontTable) {
            fontEntry_.face += static_cast<char>(byte);
        } else if (state().destination == Destination::kBody) {
            TextByte(byte);
        }
        return;
    }
    FlushBytes();
    if (c == '*') {
        state().destination = Destination::kSkip;
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        TextByte(c);
        return;
    }
    skipLeft_ = 0;
    if (state().destination != Destination::kBody)
        return;
    if (c == '~') {
        Character(u'\xA0');
    } else if (c == '-') {
        Character(u'\xAD');
    } else if (c == '_') {
        Character(u'\x2011');
    } else if (c == '\r' || c == '\n') {
        Character(u'\r');
    }
}

void Reader::TextByte(unsigned char c) {
    State& s = state();
    if (s.destination == Destination::kFontTable) {
        if (c == ';') {
            EndFontEntry();
        } else if (c != '\r' && c != '\n' && c != '{' && (c != ' ' || !fontEntry_.face.empty())) {
            fontEntry_.face += static_cast<char>(c);
        }
        return;
    }
    if (s.destination == Destination::kColourTable) {
        if (c == ';')
            EndColourEntry();
        return;
    }
    if (s.destination != Destination::kBody)
        return;
    if (c == '\r' || c == '\n' || c == 0)
        return;
    if (skipLeft_ > 0) {
        --skipLeft_;
        return;
    }
    if (c < 0x80 && !(c < 0x20 && c != '\t')) {
        FlushBytes();
        char16_t one = c;
        Emit(&one, 1);
        return;
    }
    if (c < 0x20)
        return;
    // Bytes beyond ASCII wait for the rest of their character.
    unsigned codePage = kUtf8CodePage;
    if (!utf8_) {
        auto font = fonts_.find(s.font < 0 ? defaultFont_ : s.font);
        unsigned own = font == fonts_.end() ? 0 : CodePageOf(font->second.charset);
        codePage = own ? own : codePage_;
    }
    if (!pending_.empty() && pendingCodePage_ != codePage)
        FlushBytes();
    pendingCodePage_ = codePage;
    pending_ += static_cast<char>(c);
}

void Reader::Character(char16_t c) {
    FlushBytes();
    if (state().destination == Destination::kBody)
        Emit(&c, 1);
}

void Reader::FlushBytes() {
    if (pending_.empty())
        return;
    std::u16string text;
    if (pendingCodePage_ == kUtf8CodePage || !decode_) {
        DecodeUtf8(pending_, text);
    } else {
        decode_(pendingCodePage_, pending_.data(), pending_.size(), text);
    }
    pending_.clear();
    Emit(text.data(), text.size());
}

size_t Reader::CurrentFormat() {
    if (!formatDirty_)
        return format_;
    const State& s = state();
    RtfFormat format;
    auto font = fonts_.find(s.font < 0 ? defaultFont_ : s.font);
    if (font != fonts_.end()) {
        format.face = font->second.face;
        format.charset = font->second.charset;
    }
    format.halfPoints = s.halfPoints;
    format.bold = s.bold;
    format.italic = s.italic;
    format.underline = s.underline;
    format.strike = s.strike;
    format.colour =
        s.colour > 0 && static_cast<size_t>(s.colour) < colours_.size() ? colours_[s.colour] : -1;
    auto found = formatIndex_.find(format);
    if (found == formatIndex_.end()) {
        found = formatIndex_.emplace(format, document_.formats.size()).first;
        document_.formats.push_back(format);
    }
    format_ = found->second;
    formatDirty_ = false;
    return format_;
}

void Reader::Emit(const char16_t* text, size_t count) {
    if (count == 0)
        return;
    size_t format = CurrentFormat();
    size_t start = document_.text.size();
    document_.text.append(text, count);
    std::vector<RtfRun>& runs = document_.runs;
    if (!runs.empty() && runs.back().format == format) {
        runs.back().end = document_.text.size();
    } else {
        runs.push_back({start, document_.text.size(), format});
    }
}

void Reader::EndFontEntry() {
    // Names keep no blanks at their end.
    while (!fontEntry_.face.empty() && fontEntry_.face.back() == ' ')
        fontEntry_.face.pop_back();
    fonts_[fontNumber_] = fontEntry_;
    fontEntry_ = Font();
    formatDirty_ = true;
}

void Reader::EndColourEntry() {
    colours_.push_back(red_ < 0 && green_ < 0 && blue_ < 0
                           ? -1
                           : static_cast<long>((red_ < 0 ? 0 : red_) |
                                               ((green_ < 0 ? 0 : green_) << 8) |
                                               ((blue_ < 0 ? 0 : blue_) << 16)));
    red_ = green_ = blue_ = -1;
    formatDirty_ = true;
}

}  // namespace

bool RtfFormat::operator==(const RtfFormat& other) const {
    return !(*this < other) && !(other < *this);
}

bool RtfFormat::operator<(const RtfFormat& other) const {
    return std::tie(face, charset, halfPoints, bold, italic, underline, strike, colour) <
           std::tie(other.face, other.charset, other.halfPoints, other.bold, other.italic,
                    other.underline, other.strike, other.colour);
}

bool ReadRtfRuns(const char* bytes, size_t count, RtfDecoder decode, RtfDocument& document) {
    Reader reader(bytes, count, decode, document);
    if (reader.Read())
        return true;
    document = RtfDocument();
    return false;
}

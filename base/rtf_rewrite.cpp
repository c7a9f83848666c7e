#include "base/rtf_rewrite.h"

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"

namespace {

const char kUtf8Header[] = "{\\urtf";
const char kStandardHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\uc1";

// Whether c can stand at position at (1 or more) of the sequence that begins with lead.
// The second byte's range excludes overlong forms, encoded surrogates and values beyond
// U+10FFFF, so that every complete sequence is a character.
bool Continues(unsigned char lead, size_t at, unsigned char c) {
    unsigned char low = 0x80, high = 0xBF;
    if (at == 1) {
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
        else if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }
    return c >= low && c <= high;
}

void AppendEscape(unsigned value, std::string& out) {
    // RTF's \u takes a signed 16-bit number; the "?" after it, for readers that know no
    // \u, is written as \'3f, which no reader takes for part of the next word.
    out += "\\u" + std::to_string(static_cast<short>(static_cast<unsigned short>(value))) + "\\'3f";
}

// Escapes one complete sequence.
void AppendCharacter(const std::string& s, std::string& out) {
    unsigned value = static_cast<unsigned char>(s[0]) & (0x7F >> s.size());
    for (size_t i = 1; i < s.size(); ++i)
        value = (value << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    if (value >= 0x10000) {
        value -= 0x10000;
        AppendEscape(0xD800 + (value >> 10), out);
        AppendEscape(0xDC00 + (value & 0x3FF), out);
    } else {
        AppendEscape(value, out);
    }
}

// One byte of text. A sequence is gathered in sequence, across chunks; a byte that
// cannot go on with it ends it as one "?" and is then taken on its own, so a brace or
// backslash after a broken sequence stays what it is.
void TextByte(std::string& sequence, unsigned char c, std::string& out) {
    if (!sequence.empty()) {
        unsigned char lead = static_cast<unsigned char>(sequence[0]);
        if (Continues(lead, sequence.size(), c)) {
            sequence += static_cast<char>(c);
            if (sequence.size() == Utf8SequenceLength(lead)) {
                AppendCharacter(sequence, out);
                sequence.clear();
            }
            return;
        }
        out += '?';
        sequence.clear();
    }
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (Utf8SequenceLength(c) == 0)
        out += '?';
    else
        sequence.assign(1, static_cast<char>(c));
}

}  // namespace

void RewriteRtfChunk(RtfRewrite& state, const unsigned char* bytes, size_t count,
                     std::string& out) {
    size_t at = 0;
    if (state.mode == RtfRewrite::kHeader) {
        // The opening keyword may come in pieces: gather it before deciding.
        const size_t headerLength = sizeof kUtf8Header - 1;
        size_t take = std::min(headerLength - state.carry.size(), count);
        state.carry.append(reinterpret_cast<const char*>(bytes), take);
        at = take;
        bool flavour = std::memcmp(state.carry.data(), kUtf8Header, state.carry.size()) == 0;
        if (flavour && state.carry.size() < headerLength)
            return;
        out += flavour ? std::string(kStandardHeader) : state.carry;
        state.carry.clear();
        state.mode = flavour ? RtfRewrite::kVersion : RtfRewrite::kPass;
    }
    if (state.mode == RtfRewrite::kPass) {
        out.append(reinterpret_cast<const char*>(bytes + at), count - at);
        return;
    }
    if (state.mode == RtfRewrite::kVersion) {
        // A version number after the keyword goes with it.
        while (at < count && bytes[at] >= '0' && bytes[at] <= '9')
            ++at;
        if (at == count)
            return;
        state.mode = RtfRewrite::kText;
    }
    for (; at < count; ++at)
        TextByte(state.carry, bytes[at], out);
}

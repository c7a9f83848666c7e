#include "output/rtf_rewrite.h"

#include <algorithm>
#include <cstring>

namespace {

const char kUtf8Header[] = "{\\urtf";
const char kStandardHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\uc1";

// The length of the UTF-8 sequence that begins with lead; 0 for a byte that cannot
// begin one.
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

void AppendEscape(unsigned value, std::string& out) {
    // RTF's \u takes a signed 16-bit number; the "?" after it, for readers that know no
    // \u, is written as \'3f, which no reader takes for part of the next word.
    out += "\\u" + std::to_string(static_cast<short>(static_cast<unsigned short>(value))) + "\\'3f";
}

// Escapes one complete sequence; a malformed one becomes "?".
void AppendCharacter(const unsigned char* s, size_t length, std::string& out) {
    unsigned value = s[0] & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            out += '?';
            return;
        }
        value = (value << 6) | (s[i] & 0x3F);
    }
    if (value >= 0x10000) {
        value -= 0x10000;
        AppendEscape(0xD800 + (value >> 10), out);
        AppendEscape(0xDC00 + (value & 0x3FF), out);
    } else {
        AppendEscape(value, out);
    }
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
    // Finish a sequence that the previous chunk cut.
    if (!state.carry.empty()) {
        size_t length = SequenceLength(static_cast<unsigned char>(state.carry[0]));
        size_t take = std::min(length - state.carry.size(), count - at);
        state.carry.append(reinterpret_cast<const char*>(bytes + at), take);
        at += take;
        if (state.carry.size() < length)
            return;
        AppendCharacter(reinterpret_cast<const unsigned char*>(state.carry.data()), length, out);
        state.carry.clear();
    }
    while (at < count) {
        unsigned char c = bytes[at];
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++at;
            continue;
        }
        size_t length = SequenceLength(c);
        if (length == 0) {
            out += '?';
            ++at;
        } else if (at + length > count) {
            state.carry.assign(reinterpret_cast<const char*>(bytes + at), count - at);
            at = count;
        } else {
            AppendCharacter(bytes + at, length, out);
            at += length;
        }
    }
}

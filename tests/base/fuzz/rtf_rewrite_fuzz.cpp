// Fuzz target for the rewrite of the control's UTF-8 flavour of RTF. An input is one
// mode byte, two bytes that choose where the stream is cut into chunks, then the body.
//
// Mode bit 0 clear: the body is raw bytes, fed as they are or, with mode bit 1, behind
// the "{\urtf1" opening so that they reach the text path. Whatever the bytes, the
// result must not depend on the cuts, a stream of the flavour must come out 7-bit, a
// stream of another kind must come out unchanged, and a stream whose braces balance
// must come out with balanced braces.
//
// Mode bit 0 set: the body describes a well-formed document (groups, control words,
// escaped symbols, text of any Unicode scalar value) that is written out in the
// flavour; the text read back from the result by the reader below must be the
// document's text exactly.
//
// The reader and the writer here follow the RTF rules on their own, not the code
// under test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/rtf_rewrite.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "rtf rewrite rule broken: %s\n", what);
        std::abort();
    }
}

// Feeds the stream in chunks whose lengths (0 included) come from seed, or in one
// chunk when seed is kWhole.
const unsigned kWhole = ~0u;

std::string RewriteInChunks(const std::string& stream, unsigned seed) {
    RtfRewrite state;
    std::string out;
    unsigned x = seed * 2654435761u + 1;
    size_t at = 0;
    while (at < stream.size()) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        // Mostly short chunks, so that every kind of cut happens; now and then a long one.
        size_t length = (x & 0x100) != 0 ? (x >> 9) % 64 : (x >> 9) % 5;
        if (seed == kWhole || length > stream.size() - at)
            length = stream.size() - at;
        // A private copy of each chunk, so that a read beyond it is caught.
        std::vector<unsigned char> chunk(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                         stream.begin() + static_cast<std::ptrdiff_t>(at + length));
        unsigned char none = 0;
        RewriteRtfChunk(state, chunk.empty() ? &none : chunk.data(), chunk.size(), out);
        at += length;
    }
    return out;
}

// Whether the braces of a stream, those not escaped by a backslash, balance.
bool BracesBalance(const std::string& s) {
    long depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '{') {
            ++depth;
        } else if (s[i] == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text of a standard RTF document as Unicode scalar values: \uN with its fallback
// of one character (the document sets \uc1), surrogate pairs joined, \'hh as a byte,
// the escaped symbols as themselves; control words, braces and line ends are no text.
std::u32string ReadText(const std::string& s) {
    std::u32string text;
    char32_t high = 0;  // a high surrogate waiting for its low half
    size_t skip = 0;    // fallback characters still to be dropped
    auto put = [&](char32_t c, bool fromEscape) {
        if (!fromEscape && skip > 0) {
            --skip;
            return;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            Require(high == 0, "no high surrogate without its low half");
            high = c;
            return;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            Require(high != 0, "no low surrogate without its high half");
            c = 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00);
            high = 0;
        } else {
            Require(high == 0, "no high surrogate without its low half");
        }
        text += c;
    };
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '{' || c == '}' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            put(static_cast<unsigned char>(c), false);
            ++i;
            continue;
        }
        Require(i + 1 < s.size(), "no backslash at the end");
        char next = s[i + 1];
        if (next == '\'') {
            Require(i + 3 < s.size(), "a \\' escape has two digits");
            put(static_cast<char32_t>(std::stoul(s.substr(i + 2, 2), nullptr, 16)), false);
            i += 4;
        } else if (IsLetter(next)) {
            size_t j = i + 1;
            while (j < s.size() && IsLetter(s[j]))
                ++j;
            std::string word = s.substr(i + 1, j - i - 1);
            size_t digits = j;
            if (digits < s.size() && s[digits] == '-')
                ++digits;
            while (digits < s.size() && IsDigit(s[digits]))
                ++digits;
            std::string number = s.substr(j, digits - j);
            i = digits;
            if (i < s.size() && s[i] == ' ')
                ++i;
            if (word == "u") {
                Require(!number.empty() && number != "-", "\\u has a number");
                long n = std::stol(number);
                Require(n >= -32768 && n <= 32767, "\\u takes a signed 16-bit number");
                skip = 0;
                put(static_cast<char32_t>(static_cast<unsigned short>(n)), true);
                skip = 1;
            }
        } else {
            if (next == '\\' || next == '{' || next == '}')
                put(static_cast<unsigned char>(next), false);
            i += 2;
        }
    }
    Require(high == 0, "no high surrogate at the end");
    return text;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A scalar value from three bytes, with the edges of each UTF-8 length often.
char32_t PickCharacter(const uint8_t* b) {
    static const char32_t edges[] = {0x80,   0x7FF,   0x800,    0xD7FF, 0xE000, 0xFFFD,
                                     0xFFFF, 0x10000, 0x10FFFF, 0x7FFF, 0x8000, 0xA9};
    if ((b[0] & 0xF0) == 0xF0)
        return edges[b[1] % (sizeof edges / sizeof edges[0])];
    char32_t c = (static_cast<char32_t>(b[0]) << 16 | static_cast<char32_t>(b[1]) << 8 | b[2]);
    switch (b[0] & 3) {
        case 0:
            c = 0x80 + c % (0x800 - 0x80);
            break;
        case 1:
            c = 0x800 + c % (0x10000 - 0x800);
            break;
        default:
            c = 0x10000 + c % (0x110000 - 0x10000);
            break;
    }
    if (c >= 0xD800 && c <= 0xDFFF)
        c -= 0x800;
    return c;
}

// Writes the document that body describes, in the control's flavour, and its text.
void WriteDocument(const uint8_t* body, size_t size, std::string& stream, std::u32string& text) {
    static const char* const words[] = {"\\par ",  "\\b ",   "\\b0 ", "\\f0 ",
                                        "\\fs24 ", "\\cf1 ", "\\i ",  "\\plain "};
    stream = "{\\urtf1 ";
    int depth = 0;
    size_t i = 0;
    while (i < size) {
        uint8_t op = body[i++];
        switch (op % 8) {
            case 0:
            case 1:
            case 2: {
                // Plain ASCII text, not a character RTF gives a meaning to.
                char c = static_cast<char>(0x20 + op / 8 % 0x5F);
                if (c == '\\' || c == '{' || c == '}')
                    c = 'x';
                stream += c;
                text += static_cast<char32_t>(c);
                break;
            }
            case 3:
            case 4: {
                if (i + 3 > size) {
                    i = size;
                    break;
                }
                char32_t c = PickCharacter(body + i);
                i += 3;
                AppendUtf8(c, stream);
                text += c;
                break;
            }
            case 5:
                if (op & 8) {
                    stream += '{';
                    ++depth;
                } else if (depth > 0) {
                    stream += '}';
                    --depth;
                }
                break;
            case 6:
                stream += words[op / 8 % 8];
                break;
            default: {
                static const char symbols[] = {'\\', '{', '}'};
                char c = symbols[op / 8 % 3];
                stream += '\\';
                stream += c;
                text += static_cast<char32_t>(c);
                break;
            }
        }
    }
    while (depth-- > 0)
        stream += '}';
    stream += '}';
}

bool SevenBit(const std::string& s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    uint8_t mode = data[0];
    unsigned seed = static_cast<unsigned>(data[1]) << 8 | data[2];
    const uint8_t* body = data + 3;
    size_t bodySize = size - 3;

    if ((mode & 1) != 0) {
        std::string stream;
        std::u32string text;
        WriteDocument(body, bodySize, stream, text);
        std::string out = RewriteInChunks(stream, seed);
        Require(SevenBit(out), "a well-formed document comes out 7-bit");
        Require(BracesBalance(out), "a well-formed document keeps its braces balanced");
        Require(out.compare(0, 6, "{\\rtf1") == 0, "the result opens as standard RTF");
        Require(ReadText(out) == text, "the text reads back as it was written");
        return 0;
    }

    std::string stream((mode & 2) != 0 ? "{\\urtf1" : "");
    stream.append(reinterpret_cast<const char*>(body), bodySize);
    std::string whole = RewriteInChunks(stream, kWhole);
    std::string cut = RewriteInChunks(stream, seed);
    Require(cut == whole, "the cuts do not change the result");
    if (stream.compare(0, 6, "{\\urtf") == 0) {
        Require(SevenBit(cut), "the flavour comes out 7-bit");
    } else if (stream.size() >= 6) {
        Require(cut == stream, "another kind of stream passes unchanged");
    }
    if (BracesBalance(stream))
        Require(BracesBalance(cut), "balanced braces stay balanced");
    return 0;
}

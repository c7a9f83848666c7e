#include "base/bounded_text.h"

#include <cstring>

void TrimPartialUtf8(char* text) {
    size_t len = std::strlen(text);
    if (len == 0)
        return;
    // Walk back over continuation bytes to the lead byte of the last character.
    size_t start = len;
    size_t continuation = 0;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80 &&
           continuation < 3) {
        --start;
        ++continuation;
    }
    if (start == 0) {
        if (continuation > 0)
            text[0] = '\0';  // only stray continuation bytes
        return;
    }
    unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    size_t need = 0;
    if (lead >= 0xF0 && lead < 0xF8) {
        need = 3;
    } else if (lead >= 0xE0) {
        need = 2;
    } else if (lead >= 0xC0) {
        need = 1;
    } else {
        return;  // ASCII (or a lone continuation run, left alone)
    }
    if (lead >= 0xF8)
        return;
    if (continuation < need)
        text[start - 1] = '\0';
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool CopyText(char* dst, size_t cap, const char* src, bool utf8) {
    if (cap == 0)
        return src[0] == '\0';
    dst[0] = '\0';
    return AppendText(dst, cap, src, utf8);
}

bool AppendText(char* dst, size_t cap, const char* src, bool utf8) {
    if (cap == 0)
        return src[0] == '\0';
    size_t used = strnlen(dst, cap);
    if (used >= cap) {  // not terminated within its capacity: repair, never overrun
        dst[cap - 1] = '\0';
        used = cap - 1;
    }
    size_t room = cap - 1 - used;
    size_t len = std::strlen(src);
    size_t n = len < room ? len : room;
    std::memcpy(dst + used, src, n);
    dst[used + n] = '\0';
    if (n < len) {
        if (utf8)
            TrimPartialUtf8(dst + used);
        return false;
    }
    return true;
}

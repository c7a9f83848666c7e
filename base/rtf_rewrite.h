// Standard Rich Text Format out of the Rich Edit control's UTF-8 flavour.
//
// The program runs with UTF-8 as its ANSI code page. A Rich Edit control that follows
// the code page then writes RTF of its own kind: the document opens with "{\urtf" and
// every character beyond ASCII is written as raw UTF-8 bytes. Word processors do not
// take that for Rich Text Format. The rewrite turns such a stream, chunk by chunk,
// into standard RTF: the header becomes "{\rtf1\ansi\ansicpg1252\uc1" and each
// character beyond ASCII a \uN escape, so no character is lost. A stream that does
// not open with "{\urtf" passes unchanged. No Windows dependency.
#pragma once
#include <cstddef>
#include <string>

struct RtfRewrite {
    enum Mode { kHeader, kVersion, kText, kPass };
    Mode mode = kHeader;
    std::string carry;  // the opening so far, or a UTF-8 sequence that a chunk cut
};

// Appends the rewritten form of one chunk of the stream to out.
void RewriteRtfChunk(RtfRewrite& state, const unsigned char* bytes, size_t count, std::string& out);

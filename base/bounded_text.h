// Copies into fixed-size 8-bit text buffers. Every copy is bounded by the buffer's
// capacity; the result always ends with a zero, and the callers learn whether the
// whole text fitted. No Windows dependency.
#pragma once
#include <cstddef>

// Copies src into dst (capacity cap bytes, zero included). Returns false when src
// had to be cut; the cut never splits a UTF-8 character when utf8 is true.
bool CopyText(char* dst, size_t cap, const char* src, bool utf8 = false);

// Appends src to the text already in dst, with the same rules as CopyText.
bool AppendText(char* dst, size_t cap, const char* src, bool utf8 = false);

// Cuts a trailing incomplete UTF-8 sequence off the zero-terminated text, in place.
void TrimPartialUtf8(char* text);

// The length of the UTF-8 sequence that begins with lead: 1 for ASCII, 0 for a byte
// that cannot begin one.
size_t Utf8SequenceLength(unsigned char lead);

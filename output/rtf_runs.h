// The text and the character formats of a Rich Text Format document, read in one
// pass: what the page layout needs of the listing pane, taken from the pane's own
// stream-out instead of asking the control stretch by stretch.
//
// It reads the font and colour tables and, in the body, the character formatting that
// a printout shows (\f, \fs, \b, \i, \ul and its kinds, \ulnone, \strike, \cf, \plain,
// in groups), the characters (plain bytes, \'xx in the font's code page, \uN with its
// \uc fallback skipped) and the breaks (\par and \sect as "\r", \line as "\v", \tab).
// Both standard RTF and the control's UTF-8 flavour ("{\urtf", raw UTF-8 bytes) are
// read. Destinations that show no text (\*, the info group, pictures, objects,
// style sheets ...) are skipped. Bad input ends the reading early or gives odd text,
// never more work than its length: groups nest to a fixed depth, numbers are clamped.
// No Windows dependency.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// One character format. Colour: 0x00BBGGRR, or -1 for the automatic colour.
struct RtfFormat {
    std::string face;  // the font's name, bytes as the document carries them
    int charset = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    long colour = -1;

    bool operator==(const RtfFormat& other) const;
    bool operator<(const RtfFormat& other) const;
};

// Characters [start, end) of the text in formats[format].
struct RtfRun {
    size_t start;
    size_t end;
    size_t format;
};

struct RtfDocument {
    std::u16string text;
    std::vector<RtfFormat> formats;  // each once
    std::vector<RtfRun> runs;        // in order, without gaps; neighbours differ in format
};

// Appends the UTF-16 form of bytes in a Windows code page to out.
using RtfDecoder = void (*)(unsigned codePage, const char* bytes, size_t count,
                            std::u16string& out);

// Reads a whole document. decode turns \'xx bytes (and plain bytes beyond ASCII) of
// standard RTF into characters; the UTF-8 flavour needs none. False, with document
// empty, when the bytes are not Rich Text Format.
bool ReadRtfRuns(const char* bytes, size_t count, RtfDecoder decode, RtfDocument& document);

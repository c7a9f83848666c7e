// The listing as one Rich Text Format document, for the pane to read in one go.
//
// The document opens with its tables and the words of the item format; each heading
// run is a group that opens with the control words that turn the item format into
// the heading format. Paragraph breaks ("\r") become \par, with none at the end
// unless the text ends with a break; "\", "{" and "}" are escaped, and every UTF-16
// unit beyond ASCII goes out as a signed \uN followed by "?" for readers that know
// no \u. No Windows dependency.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Where a document can be read a piece at a time: body, where its text starts (after
// the tables and the whole document's format words), and cuts, the starts of \par
// words outside any group, each at least the piece size after the one before. The part
// from one boundary to the next, after the document's head and closed by "}", reads as
// a document of its own, which adds those paragraphs where the reader stands.
struct RtfPieces {
    size_t body = 0;
    std::vector<size_t> cuts;
};

// Piece index (0 to cuts.size()) of document as a document of its own; with no cuts,
// piece 0 is the whole document.
std::string RtfPiece(const std::string& document, const RtfPieces& pieces, size_t index);

class ListingRtf {
public:
    // headingWords: control words such as "\b\cf1" (may be empty); tables: the font
    // and colour tables and the words of the whole document's format, ended by a
    // space (may be empty).
    // pieceBytes: the least size of a piece between cuts (0: no cuts).
    ListingRtf(const std::string& tables, const std::string& headingWords, size_t pieceBytes = 0);

    void AppendRun(bool heading, const char16_t* text, size_t length);

    // The whole document, closed.
    const std::string& Finish();
    const RtfPieces& Pieces() const { return pieces_; }

private:
    std::string out_;
    std::string headingWords_;
    RtfPieces pieces_;
    size_t pieceBytes_;
    bool finished_ = false;
};

// Appends text escaped for RTF: "\r" as \par, "\", "{", "}" escaped, everything
// beyond ASCII and every other control character as \uN?.
void AppendRtfText(std::string& out, const char16_t* text, size_t length);

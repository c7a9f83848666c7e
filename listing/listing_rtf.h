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

class ListingRtf {
public:
    // headingWords: control words such as "\b\cf1" (may be empty); tables: the font
    // and colour tables and the words of the whole document's format, ended by a
    // space (may be empty).
    ListingRtf(const std::string& tables, const std::string& headingWords);

    void AppendRun(bool heading, const char16_t* text, size_t length);

    // The whole document, closed.
    const std::string& Finish();

private:
    std::string out_;
    std::string headingWords_;
    bool finished_ = false;
};

// Appends text escaped for RTF: "\r" as \par, "\", "{", "}" escaped, everything
// beyond ASCII and every other control character as \uN?.
void AppendRtfText(std::string& out, const char16_t* text, size_t length);

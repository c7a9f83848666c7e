#include "listing/listing_rtf.h"

ListingRtf::ListingRtf(const std::string& tables, const std::string& headingWords)
    : headingWords_(headingWords) {
    out_ = "{\\rtf1\\ansi\\ansicpg1252\\uc1";
    // The space ends the last control word; after a table's closing brace it would be
    // text.
    if (tables.empty())
        out_ += ' ';
    else
        out_ += tables;
}

void ListingRtf::AppendRun(bool heading, const char16_t* text, size_t length) {
    if (finished_ || length == 0)
        return;
    const bool group = heading && !headingWords_.empty();
    if (group) {
        out_ += '{';
        out_ += headingWords_;
        out_ += ' ';
    }
    AppendRtfText(out_, text, length);
    if (group)
        out_ += '}';
}

const std::string& ListingRtf::Finish() {
    if (!finished_) {
        out_ += '}';
        finished_ = true;
    }
    return out_;
}

void AppendRtfText(std::string& out, const char16_t* text, size_t length) {
    // A control word ends at the first character that is not a letter or digit; the
    // space after \par is part of the word and is not text.
    for (size_t i = 0; i < length; ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            out += "\\par ";
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            out += std::to_string(static_cast<int>(static_cast<short>(c)));
            out += '?';
        }
    }
}

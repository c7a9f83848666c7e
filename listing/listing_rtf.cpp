#include "listing/listing_rtf.h"

ListingRtf::ListingRtf(const std::string& tables, const std::string& headingWords,
                       size_t pieceBytes)
    : headingWords_(headingWords), pieceBytes_(pieceBytes) {
    out_ = "{\\rtf1\\ansi\\ansicpg1252\\uc1";
    // The space ends the last control word; after a table's closing brace it would be
    // text.
    if (tables.empty())
        out_ += ' ';
    else
        out_ += tables;
    pieces_.body = out_.size();
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
    const size_t from = out_.size();
    AppendRtfText(out_, text, length);
    if (group) {
        out_ += '}';
        return;
    }
    if (pieceBytes_ == 0)
        return;
    // A run outside a group may be cut at each of its breaks: every \par word there,
    // told from a text backslash followed by "par " by the even number of backslashes
    // before it (the text's own are doubled).
    for (size_t at = out_.find("\\par ", from); at != std::string::npos;
         at = out_.find("\\par ", at + 5)) {
        size_t backslashes = 0;
        while (at - backslashes > from && out_[at - backslashes - 1] == '\\')
            ++backslashes;
        const size_t last = pieces_.cuts.empty() ? pieces_.body : pieces_.cuts.back();
        if (backslashes % 2 == 0 && at - last >= pieceBytes_)
            pieces_.cuts.push_back(at);
    }
}

const std::string& ListingRtf::Finish() {
    if (!finished_) {
        out_ += '}';
        finished_ = true;
    }
    return out_;
}

std::string RtfPiece(const std::string& document, const RtfPieces& pieces, size_t index) {
    if (pieces.cuts.empty())
        return document;
    const size_t from = index == 0 ? pieces.body : pieces.cuts[index - 1];
    const size_t to = index < pieces.cuts.size() ? pieces.cuts[index] : document.size() - 1;
    std::string piece = document.substr(0, pieces.body);
    piece.append(document, from, to - from);
    piece += '}';
    return piece;
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

// The listing as it is built: the text of each run of one style, in order, kept until
// the whole listing is known and then written into a pane in one of two ways:
//  - as one RTF document (fast), read a piece at a time, when the heading format can
//    be told exactly as control words over the item format;
//  - run by run, the insertion style set before each run (every other case).
// Both leave the same text, the same character format on every character and the
// same insertion style.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "listing/listing_rtf.h"
#include "listing/text_styles.h"

class ListingText {
public:
    // The style that the text appended next takes.
    void SetStyle(const TextStyle& style) { pending_ = &style; }
    void Append(const std::string& text);

    bool Empty() const { return runs_.empty(); }
    size_t Characters() const;

    // Replaces every underscore by a space, remembering where the last one stood. The
    // text is stepped through by characters of codePage, so that the second byte of a
    // double-byte character is never taken for an underscore.
    void ReplaceUnderscores(UINT codePage);
    bool HasUnderscorePosition() const { return lastUnderscoreRun_ != kNone; }
    // The pane position right after the last replaced underscore, in the pane's
    // characters (UTF-16 units of the text converted from the ANSI code page).
    LONG AfterLastUnderscore() const;

    // Writes the runs at the caret of pane, each in its style, and leaves the insertion
    // style the last one set, as setting the style before each piece would have left it.
    void WriteRuns(HWND pane) const;

    // The whole listing as one RTF document that states the item and heading formats;
    // false when they cannot be told exactly that way. sizeForAll: the document states
    // no size, and the item size is to be set on the whole text once it is read.
    // pieces: where it can be read a piece of at least pieceBytes at a time.
    bool MakeRtf(std::string& document, bool& sizeForAll, RtfPieces& pieces,
                 size_t pieceBytes) const;

    // The style that text typed at the end of the listing takes.
    const TextStyle* Pending() const { return pending_; }
    const TextStyle* LastRunStyle() const { return runs_.empty() ? nullptr : runs_.back().style; }

private:
    struct Run {
        const TextStyle* style;
        std::string text;
    };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    std::vector<Run> runs_;
    const TextStyle* pending_ = nullptr;
    size_t lastUnderscoreRun_ = kNone;
    size_t lastUnderscoreEnd_ = 0;
};

// The RTF that states the item and heading formats: the font and colour tables, the
// words that set the item format for the whole document, and the words that turn it
// into the heading format (bold, italic, underline, strike-out, size and colour).
struct RtfFormatWords {
    std::string tables;
    std::string item;
    std::string heading;
    bool sizeForAll = false;  // the item size is no whole number of half points
};
// False when the two formats differ in what RTF words cannot carry exactly (face,
// character set, pitch, an offset, automatic colour, or a size that is no whole number
// of half points while the other style's differs).
bool ListingFormatWords(const CHARFORMATA& item, const CHARFORMATA& heading, RtfFormatWords& words);

// Puts text (in the ANSI code page) in place of the pane's selection, in the
// insertion style; not undoable.
void InsertAtCaret(HWND pane, const std::string& text);

// Replaces the underscores of text with spaces, stepping by characters of codePage;
// returns the offset right after the last one replaced, or npos when there was none.
size_t ReplaceUnderscoresInText(std::string& text, UINT codePage);

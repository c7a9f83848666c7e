// The extension list value: reading well-formed and damaged values, and the values
// written back after adding and removing entries. Built natively under ASan and UBSan
// as well as into the Windows test program.
#include "settings/extension_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

struct ParseCase {
    std::string value;
    Entries entries;
    bool closed;
    std::string rest;
};

TEST(ExtensionListParse, ReadsEveryShapeOfValue) {
    const ParseCase cases[] = {
        {"mp3,txt,zip,jpg,:", {"mp3", "txt", "zip", "jpg"}, true, ""},
        {":", {}, true, ""},
        {"", {}, false, ""},
        {",mp3,:", {"", "mp3"}, true, ""},
        {",,:", {"", ""}, true, ""},
        {"mp3,:old", {"mp3"}, true, "old"},
        {"a,:b,c:d,", {"a"}, true, "b,c:d,"},
        // Damaged values: no ":", or a last text without its ",".
        {"mp3,txt", {"mp3", "txt"}, false, ""},
        {"mp3,txt,", {"mp3", "txt"}, false, ""},
        {"mp3", {"mp3"}, false, ""},
        {"mp3,txt:x", {"mp3", "txt"}, true, "x"},
        {"\xE4\xF6\xFC,\x80\xFF,:\xC3", {"\xE4\xF6\xFC", "\x80\xFF"}, true, "\xC3"},
        {"a b,*.?,\t,:", {"a b", "*.?", "\t"}, true, ""},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE("value \"" + c.value + "\"");
        ExtensionList list = ParseExtensionList(c.value);
        EXPECT_EQ(list.entries, c.entries);
        EXPECT_EQ(list.closed, c.closed);
        EXPECT_EQ(list.rest, c.rest);
    }
}

TEST(ExtensionListParse, FormatGivesWellFormedValueBack) {
    for (const char* value : {":", "mp3,txt,zip,jpg,:", ",mp3,:", "mp3,:old,x:"}) {
        EXPECT_EQ(FormatExtensionList(ParseExtensionList(value)), value);
    }
    EXPECT_EQ(FormatExtensionList(ParseExtensionList("")), ":");
    EXPECT_EQ(FormatExtensionList(ParseExtensionList("mp3,txt")), "mp3,txt,:");
    EXPECT_EQ(FormatExtensionList(ParseExtensionList("mp3,txt:x")), "mp3,txt,:x");
}

TEST(ExtensionListCheck, RefusesOverlongAndSeparatorsAndControlCharacters) {
    EXPECT_EQ(CheckExtension(std::string(47, 'x')), ListEdit::Done);
    EXPECT_EQ(CheckExtension(std::string(48, 'x')), ListEdit::TooLong);
    EXPECT_EQ(CheckExtension(""), ListEdit::Done);
    EXPECT_EQ(CheckExtension("t?t*"), ListEdit::Done);
    EXPECT_EQ(CheckExtension("\xE4\xFF"), ListEdit::Done);
    for (const char* bad : {"a,b", ",", "a:", ":", "a\r\nb", "\n", "a\tb", "\x1F"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(CheckExtension(bad), ListEdit::BadCharacter);
    }
}

struct EditCase {
    std::string value;
    std::string extension;
    ListEdit result;
    std::string after;  // the value afterwards
};

void ExpectEdits(ListEdit (*edit)(std::string*, std::string_view),
                 const std::vector<EditCase>& cases) {
    for (const EditCase& c : cases) {
        SCOPED_TRACE("value \"" + c.value + "\", extension \"" + c.extension + "\"");
        std::string value = c.value;
        EXPECT_EQ(edit(&value, c.extension), c.result);
        EXPECT_EQ(value, c.after);
    }
}

TEST(ExtensionListAppend, AddsNewLastEntry) {
    ExpectEdits(AppendToListValue,
                {
                    {"mp3,txt,zip,jpg,:", "doc", ListEdit::Done, "mp3,txt,zip,jpg,doc,:"},
                    {"mp3,txt,zip,jpg,:", "mp3", ListEdit::Done, "mp3,txt,zip,jpg,mp3,:"},
                    {"mp3,:old", "doc", ListEdit::Done, "mp3,doc,:"},
                    {":", "doc", ListEdit::Done, "doc,:"},
                    {"", "doc", ListEdit::Done, "doc,:"},
                    {"mp3,txt", "doc", ListEdit::Done, "mp3,txt,doc,:"},
                    {",mp3,:", "", ListEdit::Done, ",mp3,,:"},
                    {"mp3,:", "\xE4", ListEdit::Done, "mp3,\xE4,:"},
                    {"mp3,:", "a,b", ListEdit::BadCharacter, "mp3,:"},
                    {"mp3,:", std::string(48, 'x'), ListEdit::TooLong, "mp3,:"},
                    // The file would drop the blank at the start of the value.
                    {":old", " doc", ListEdit::LeadingBlank, ":old"},
                    {"mp3,:", " doc", ListEdit::Done, "mp3, doc,:"},
                });
}

TEST(ExtensionListAppend, RefusesValueLongerThan255) {
    // 5 entries of 47 characters take 240 characters with their commas.
    std::string full;
    for (char c = 'a'; c < 'f'; ++c)
        full += std::string(47, c) + ",";
    full += ":";
    std::string value = full;
    EXPECT_EQ(AppendToListValue(&value, std::string(13, 'z')), ListEdit::Done);
    EXPECT_EQ(value.size(), 255u);
    value = full;
    EXPECT_EQ(AppendToListValue(&value, std::string(14, 'z')), ListEdit::ListFull);
    EXPECT_EQ(value, full);
}

TEST(ExtensionListRemove, RemovesFirstEqualEntryOnly) {
    ExpectEdits(
        RemoveFromListValue,
        {
            {"mp3,txt,zip,jpg,:", "txt", ListEdit::Done, "mp3,zip,jpg,:"},
            {"mp3,txt,zip,jpg,:", "mp3", ListEdit::Done, "txt,zip,jpg,:"},
            {"mp3,txt,zip,jpg,:", "jpg", ListEdit::Done, "mp3,txt,zip,:"},
            {"html,txt,ml,:", "ml", ListEdit::Done, "html,txt,:"},
            {"mp3,txt,mp3,:", "mp3", ListEdit::Done, "txt,mp3,:"},
            {"mp3,:", "mp3", ListEdit::Done, ":"},
            {",mp3,:", "", ListEdit::Done, "mp3,:"},
            {"mp3,txt,:keep,this:", "mp3", ListEdit::Done, "txt,:keep,this:"},
            {"mp3,txt", "txt", ListEdit::Done, "mp3,:"},
            {"mp3,txt", "mp3", ListEdit::Done, "txt,:"},
            // Only entries before the ":" count.
            {"mp3,:txt,", "txt", ListEdit::NotFound, "mp3,:txt,"},
            {"mp3,txt,zip,jpg,:", "MP3", ListEdit::NotFound, "mp3,txt,zip,jpg,:"},
            {"mp3,txt,zip,jpg,:", "mp", ListEdit::NotFound, "mp3,txt,zip,jpg,:"},
            {"mp3,txt,zip,jpg,:", "doc", ListEdit::NotFound, "mp3,txt,zip,jpg,:"},
            {"mp3,txt,zip,jpg,:", "", ListEdit::NotFound, "mp3,txt,zip,jpg,:"},
            {":", "mp3", ListEdit::NotFound, ":"},
            {"mp3,:", "mp3,", ListEdit::BadCharacter, "mp3,:"},
            // The next entry would begin the value with a blank, which the file drops.
            {"mp3, txt,:", "mp3", ListEdit::LeadingBlank, "mp3, txt,:"},
            {"mp3, txt,:", " txt", ListEdit::Done, "mp3,:"},
            // A hand-written entry too long to be a filter can still go.
            {"mp3," + std::string(60, 'x') + ",:", std::string(60, 'x'), ListEdit::Done, "mp3,:"},
        });
}

TEST(ExtensionListRemove, NeverGrowsPast255) {
    // A value of 255 characters cut short with no ":": removing its leading empty
    // entry saves one character, closing the last entry and the list costs two.
    std::string value = "," + std::string(254, 'a');
    EXPECT_EQ(RemoveFromListValue(&value, ""), ListEdit::ListFull);
    EXPECT_EQ(value, "," + std::string(254, 'a'));
    value = "," + std::string(253, 'a');
    EXPECT_EQ(RemoveFromListValue(&value, ""), ListEdit::Done);
    EXPECT_EQ(value, std::string(253, 'a') + ",:");
    // A longer value, written by hand, may shrink.
    value = std::string(300, 'a') + ",mp3,:";
    EXPECT_EQ(RemoveFromListValue(&value, "mp3"), ListEdit::Done);
    EXPECT_EQ(value, std::string(300, 'a') + ",:");
}

TEST(ExtensionListFilter, FirstEntryBecomesFilterUnlessEmptyOrOverlong) {
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList("txt,doc,:")), "*.txt");
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList(":")), "*.");
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList("")), "*.");
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList(",mp3,:")), "*.");
    std::string longest(47, 'x');
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList(longest + ",:")), "*." + longest);
    EXPECT_EQ(FirstEntryFilter(ParseExtensionList(longest + "y,mp3,:")), "*.");
}

}  // namespace

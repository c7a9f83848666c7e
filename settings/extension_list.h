// The extension list as the settings file keeps it: one text value in which every
// entry is ended by "," and the whole list by ":", e.g. "mp3,txt,zip,jpg,:". Text after
// the ":" is no part of the list.
//
// Reading is forgiving, because the value may have been edited by hand or cut short by
// the 256-byte read at start-up: the list ends at the first ":" or, when there is none, at the end
// of the value, and a last text that lacks its "," still counts as an entry (an empty
// one does not, so "" and ":" are both the empty list). Every value this code writes
// has the well-formed shape and keeps every entry that was read.
//
// No Windows dependency: built into the program and, natively, into the sanitizer
// tests and the fuzz target.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/current_filter.h"

// Longest value this code makes by adding: the list is read into 256 bytes at start-up.
// A changed value is computed from the whole stored value, however long.
constexpr size_t kMaxListValueLength = 255;

struct ExtensionList {
    std::vector<std::string> entries;
    bool closed = false;  // the value had its ":"
    std::string rest;     // what followed the ":", as it was
};

ExtensionList ParseExtensionList(std::string_view value);

// Every entry followed by ",", then ":" and the rest.
std::string FormatExtensionList(const ExtensionList& list);

enum class ListEdit {
    Done,          // the new value is ready (CheckExtension: the extension is acceptable)
    NotFound,      // no entry equal to the extension
    TooLong,       // the extension is longer than kMaxExtensionLength
    BadCharacter,  // the extension holds "," or ":" or a control character
    ListFull,      // the new value would be too long (see AppendToListValue, RemoveFromListValue)
    LeadingBlank,  // the new value would begin with a blank, which the file does not keep
};

// Whether an extension may be added to (or looked for in) the list. Control characters
// are refused with "," and ":": no file name holds one, and a line break would split
// the line in the settings file.
ListEdit CheckExtension(std::string_view extension);
// The same test without the length: an entry of any length may be looked for.
ListEdit CheckEntryCharacters(std::string_view extension);

// Both compute the new value from the stored one. On Done, *value holds the new
// well-formed value; on any other result *value is left as it was.
//
// Appending drops whatever followed the ":" and adds the extension as a new last entry,
// even when an equal entry is already there. An extension that would begin the value
// may not begin with a blank: the profile functions drop blanks at the start of a
// value when they read it.
ListEdit AppendToListValue(std::string* value, std::string_view extension);
// Removes the first entry equal to the extension byte for byte (letter case matters),
// whatever its length (a hand-written entry may be longer than kMaxExtensionLength),
// and keeps every other entry and the text after the ":". The new value may be as long
// as the old one when that was longer than kMaxListValueLength; it may not begin with a
// blank (LeadingBlank: the entry after the removed one begins with one).
ListEdit RemoveFromListValue(std::string* value, std::string_view extension);

// The filter in force after the list is read: "*." followed by the first entry, or "*."
// alone when the list is empty or its first entry is longer than kMaxExtensionLength.
std::string FirstEntryFilter(const ExtensionList& list);

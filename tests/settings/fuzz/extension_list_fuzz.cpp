// Fuzz target for the extension list value. An input is one mode byte, then the stored
// value up to the first zero byte (a value read from the file never holds one), then the
// extension. Every result is checked against rules written out here independently of
// the code under test: reading loses no text, the written value is well-formed and no
// longer than needed, an edit changes exactly one entry and keeps every other one, and
// a refused edit changes nothing. An added extension has at most 47 bytes; no edit makes
// the value begin with a blank.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "settings/extension_list.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "extension list rule broken: %s\n", what);
        std::abort();
    }
}

// The entries joined by ",", ending in "," when the list part did.
std::string Join(const std::vector<std::string>& entries, bool trailingComma) {
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            text += ',';
        text += entries[i];
    }
    if (trailingComma)
        text += ',';
    return text;
}

size_t WellFormedLength(const std::vector<std::string>& entries, const std::string& rest) {
    size_t length = 1 + rest.size();
    for (const std::string& entry : entries)
        length += entry.size() + 1;
    return length;
}

// An extension to add may have at most 47 bytes; one to remove may have any length.
ListEdit ExpectedCheck(std::string_view extension, bool adding) {
    if (adding && extension.size() > 47)
        return ListEdit::TooLong;
    for (char c : extension) {
        if (c == ',' || c == ':' || static_cast<unsigned char>(c) < 0x20) {
            return ListEdit::BadCharacter;
        }
    }
    return ListEdit::Done;
}

// The value is well-formed and holds exactly these entries and this rest.
void RequireValue(const std::string& value, const std::vector<std::string>& entries,
                  const std::string& rest, size_t limit) {
    Require(value.size() == WellFormedLength(entries, rest), "written value has its exact length");
    Require(value == Join(entries, !entries.empty()) + ":" + rest, "written value is well-formed");
    ExtensionList again = ParseExtensionList(value);
    Require(again.closed && again.entries == entries && again.rest == rest,
            "written value reads back the same");
    Require(value.size() <= limit, "written value fits in the file");
}

void CheckParse(std::string_view value, const ExtensionList& list) {
    size_t colon = value.find(':');
    std::string_view items = value.substr(0, colon);
    Require(list.closed == (colon != std::string_view::npos), "closed means the value had a ':'");
    Require(list.rest == (list.closed ? value.substr(colon + 1) : std::string_view()),
            "rest is the text after the first ':'");
    for (const std::string& entry : list.entries) {
        Require(entry.find_first_of(",:") == std::string::npos, "no entry holds ',' or ':'");
    }
    bool trailingComma = !items.empty() && items.back() == ',';
    Require(Join(list.entries, trailingComma) == items, "reading loses no text of the list");

    std::string formatted = FormatExtensionList(list);
    bool unterminated = !items.empty() && !trailingComma;
    Require(formatted.size() == value.size() + (list.closed ? 0 : 1) + (unterminated ? 1 : 0),
            "formatting adds only the missing ',' and ':'");
    Require(FormatExtensionList(ParseExtensionList(formatted)) == formatted,
            "a formatted value formats to itself");
}

void CheckEdit(ListEdit result, const std::string& before, const std::string& after,
               const std::vector<std::string>& expected, const std::string& rest,
               std::string_view extension, bool found, bool adding) {
    ListEdit check = ExpectedCheck(extension, adding);
    // An addition makes at most 255 bytes; a removal no longer value than it was given
    // when that was longer.
    size_t limit = adding ? kMaxListValueLength : std::max(kMaxListValueLength, before.size());
    std::string written = Join(expected, !expected.empty()) + ":" + rest;
    if (check != ListEdit::Done) {
        Require(result == check, "a refused extension gives its reason");
    } else if (!found) {
        Require(result == ListEdit::NotFound, "a missing entry gives NotFound");
    } else if (written[0] == ' ') {
        // The profile functions drop blanks at the start of a value they read.
        Require(result == ListEdit::LeadingBlank, "a value beginning with a blank is refused");
    } else if (WellFormedLength(expected, rest) > limit) {
        Require(result == ListEdit::ListFull, "an overlong value gives ListFull");
    } else {
        Require(result == ListEdit::Done, "an acceptable edit is done");
        RequireValue(after, expected, rest, limit);
        return;
    }
    Require(after == before, "a refused edit leaves the value as it was");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    uint8_t mode = data[0];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t zero = input.find('\0');
    std::string value(input.substr(0, zero));
    std::string extension =
        zero == std::string_view::npos ? std::string() : std::string(input.substr(zero + 1));

    ExtensionList list = ParseExtensionList(value);
    CheckParse(value, list);

    // With the mode's top bit set, an entry of the list is the extension, so that
    // removals find something.
    if ((mode & 0x80) != 0 && !list.entries.empty()) {
        extension = list.entries[(mode & 0x7F) % list.entries.size()];
    }

    std::vector<std::string> appended = list.entries;
    appended.push_back(extension);
    std::string edited = value;
    ListEdit result = AppendToListValue(&edited, extension);
    CheckEdit(result, value, edited, appended, "", extension, true, true);

    std::vector<std::string> removed = list.entries;
    bool found = false;
    for (size_t i = 0; i < removed.size(); ++i) {
        if (removed[i] == extension) {
            removed.erase(removed.begin() + static_cast<std::ptrdiff_t>(i));
            found = true;
            break;
        }
    }
    edited = value;
    result = RemoveFromListValue(&edited, extension);
    CheckEdit(result, value, edited, removed, list.rest, extension, found, false);

    std::string filter = FirstEntryFilter(list);
    Require(filter.size() < static_cast<size_t>(kFilterCapacity), "the filter fits");
    Require(list.entries.empty() || list.entries[0].size() > 47 ? filter == "*."
                                                                : filter == "*." + list.entries[0],
            "the filter is the first entry when it fits");
    return 0;
}

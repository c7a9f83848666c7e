#include "settings/extension_list.h"

#include <algorithm>

namespace {

constexpr size_t kExtensionLimit = static_cast<size_t>(kMaxExtensionLength);
constexpr std::string_view kFilterPrefix = "*.";

static_assert(kFilterPrefix.size() + kExtensionLimit < static_cast<size_t>(kFilterCapacity),
              "a filter must fit in CurrentFilter");

}  // namespace

ExtensionList ParseExtensionList(std::string_view value) {
    ExtensionList list;
    std::string_view items = value;
    size_t colon = value.find(':');
    if (colon != std::string_view::npos) {
        list.closed = true;
        list.rest = std::string(value.substr(colon + 1));
        items = value.substr(0, colon);
    }
    while (!items.empty()) {
        size_t comma = items.find(',');
        if (comma == std::string_view::npos) {
            list.entries.emplace_back(items);  // a last text without its ","
            break;
        }
        list.entries.emplace_back(items.substr(0, comma));
        items.remove_prefix(comma + 1);
    }
    return list;
}

std::string FormatExtensionList(const ExtensionList& list) {
    std::string value;
    for (const std::string& entry : list.entries) {
        value += entry;
        value += ',';
    }
    value += ':';
    value += list.rest;
    return value;
}

ListEdit CheckExtension(std::string_view extension) {
    if (extension.size() > kExtensionLimit)
        return ListEdit::TooLong;
    return CheckEntryCharacters(extension);
}

ListEdit CheckEntryCharacters(std::string_view extension) {
    for (char c : extension) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == ',' || c == ':' || byte < 0x20)
            return ListEdit::BadCharacter;
    }
    return ListEdit::Done;
}

namespace {

// The profile functions drop blanks at the start of a value when they read it back.
bool BeginsWithBlank(const ExtensionList& list) {
    return !list.entries.empty() && !list.entries.front().empty() &&
           list.entries.front().front() == ' ';
}

ListEdit Replace(std::string* value, const ExtensionList& list, size_t limit) {
    if (BeginsWithBlank(list))
        return ListEdit::LeadingBlank;
    std::string changed = FormatExtensionList(list);
    if (changed.size() > limit)
        return ListEdit::ListFull;
    *value = std::move(changed);
    return ListEdit::Done;
}

}  // namespace

ListEdit AppendToListValue(std::string* value, std::string_view extension) {
    ListEdit check = CheckExtension(extension);
    if (check != ListEdit::Done)
        return check;
    ExtensionList list = ParseExtensionList(*value);
    list.rest.clear();
    list.entries.emplace_back(extension);
    return Replace(value, list, kMaxListValueLength);
}

ListEdit RemoveFromListValue(std::string* value, std::string_view extension) {
    ListEdit check = CheckEntryCharacters(extension);
    if (check != ListEdit::Done)
        return check;
    ExtensionList list = ParseExtensionList(*value);
    auto found = std::find(list.entries.begin(), list.entries.end(), extension);
    if (found == list.entries.end())
        return ListEdit::NotFound;
    list.entries.erase(found);
    // A removal never makes a value longer than the file held already: one written by
    // hand past kMaxListValueLength may only shrink.
    return Replace(value, list, std::max(kMaxListValueLength, value->size()));
}

std::string FirstEntryFilter(const ExtensionList& list) {
    if (list.entries.empty() || list.entries.front().size() > kExtensionLimit) {
        return std::string(kFilterPrefix);
    }
    return std::string(kFilterPrefix) + list.entries.front();
}

#include "settings/settings_file.h"

#include <shlwapi.h>

#include <cstring>
#include <string>

#include "settings/current_filter.h"
#include "settings/extension_list.h"
#include "shell/bounded_text.h"

char SettingsFilePath[kSettingsPathCapacity] = "";

namespace {

// Set by LoadExtensionList when the file was missing and could not be created.
bool FileUncreated = false;

constexpr char kFileName[] = "Kelvora.ini";
constexpr char kSection[] = "ext";
constexpr char kKey[] = "Extensions";
// The section as WritePrivateProfileSectionA takes it: zero-ended lines, then an empty
// one (the literal's own zero).
constexpr char kDefaultSection[] = "Extensions=mp3,txt,zip,jpg,:\0";

static_assert(kMaxListValueLength + 1 == kSettingsValueCapacity,
              "the list value is read into kSettingsValueCapacity bytes");

// With no usable path every operation does nothing: the profile functions would
// take a bare or empty name to mean a file in the Windows folder.
bool HavePath() {
    return SettingsFilePath[0] != '\0';
}

std::string ReadListValue() {
    char value[kSettingsValueCapacity] = "";
    GetPrivateProfileStringA(kSection, kKey, "", value, kSettingsValueCapacity, SettingsFilePath);
    return std::string(value, strnlen(value, sizeof value - 1));
}

ListChange WriteListValue(const std::string& value) {
    // A file the user marked read-only is not written, even where the system would let
    // this user write it.
    DWORD attributes = GetFileAttributesA(SettingsFilePath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ListChange::WriteFailed;
    }
    if (!WritePrivateProfileStringA(kSection, kKey, value.c_str(), SettingsFilePath)) {
        // The profile functions may keep the unwritten change in their cache; drop the
        // cache so that the next read shows what the file really holds.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFilePath);
        return ListChange::WriteFailed;
    }
    return ListChange::Stored;
}

ListChange ToListChange(ListEdit edit) {
    switch (edit) {
        case ListEdit::Done:
            return ListChange::Stored;
        case ListEdit::NotFound:
            return ListChange::NotFound;
        case ListEdit::TooLong:
            return ListChange::TooLong;
        case ListEdit::BadCharacter:
            return ListChange::BadCharacter;
        case ListEdit::ListFull:
            return ListChange::ListFull;
        case ListEdit::LeadingBlank:
            return ListChange::LeadingBlank;
    }
    return ListChange::WriteFailed;
}

using ValueEdit = ListEdit (*)(std::string*, std::string_view);

// Judges the change on the stored list and, when write is true, stores it.
ListChange ChangeList(ValueEdit edit, const char* extension, bool write) {
    if (extension == nullptr)
        return ListChange::BadCharacter;
    // The extension is judged before the file is touched: a refused one leaves it as it is.
    // Only an addition has to fit CurrentFilter; a removal may look for any entry.
    ListEdit check =
        edit == AppendToListValue ? CheckExtension(extension) : CheckEntryCharacters(extension);
    if (check != ListEdit::Done)
        return ToListChange(check);
    if (!HavePath())
        return ListChange::WriteFailed;
    std::string value = ReadListValue();
    ListEdit result = edit(&value, extension);
    if (result != ListEdit::Done)
        return ToListChange(result);
    return write ? WriteListValue(value) : ListChange::Stored;
}

}  // namespace

void FixSettingsFilePath() {
    char path[kSettingsPathCapacity];
    DWORD length = GetCurrentDirectoryA(kSettingsPathCapacity, path);
    SettingsFilePath[0] = '\0';
    // A directory that does not fit (the call then returns the size it needs) leaves
    // the path empty rather than cut.
    if (length == 0 || length >= static_cast<DWORD>(kSettingsPathCapacity))
        return;
    if (PathAddBackslashA(path) == nullptr)
        return;
    if (!AppendText(path, sizeof path, kFileName))
        return;
    CopyText(SettingsFilePath, sizeof SettingsFilePath, path);
}

void LoadExtensionList() {
    CopyText(CurrentFilter, kFilterCapacity, "*.");
    FileUncreated = false;
    if (!HavePath())
        return;
    if (GetFileAttributesA(SettingsFilePath) == INVALID_FILE_ATTRIBUTES) {
        // CREATE_NEW never opens a file that is already there, so a file that appears
        // meanwhile is never rewritten.
        HANDLE file = CreateFileA(SettingsFilePath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            WritePrivateProfileSectionA(kSection, kDefaultSection, SettingsFilePath);
        } else {
            FileUncreated = GetLastError() != ERROR_FILE_EXISTS;
        }
    }
    ExtensionList list = ParseExtensionList(ReadListValue());
    CopyText(CurrentFilter, kFilterCapacity, FirstEntryFilter(list).c_str());
}

void ReportUncreatedSettingsFile(HWND owner) {
    if (!FileUncreated)
        return;
    FileUncreated = false;  // said once
    char text[kSettingsPathCapacity + 400];
    CopyText(text, sizeof text, "Kelvora could not create its settings file:\r\n\r\n");
    AppendText(text, sizeof text, SettingsFilePath);
    AppendText(text, sizeof text,
               "\r\n\r\nThe list of extensions is empty, and extensions you add cannot be "
               "kept. Start Kelvora from a folder in which you may create files.");
    MessageBoxA(owner, text, "Kelvora", MB_OK | MB_ICONEXCLAMATION);
}

namespace {

std::string FilterItemText(const std::string& entry) {
    // Built in CurrentFilter's size, so that an item is never longer than a filter, and
    // never split inside a UTF-8 character.
    char text[kFilterCapacity];
    CopyText(text, sizeof text, "*.");
    AppendText(text, sizeof text, entry.c_str(), GetACP() == CP_UTF8);
    return text;
}

}  // namespace

std::string CutEntry(int index, const char* itemText) {
    if (!HavePath() || index < 0)
        return std::string();
    ExtensionList list = ParseExtensionList(ReadListValue());
    if (static_cast<size_t>(index) >= list.entries.size())
        return std::string();
    const std::string& entry = list.entries[static_cast<size_t>(index)];
    if (entry.size() <= static_cast<size_t>(kMaxExtensionLength) ||
        FilterItemText(entry) != itemText) {
        return std::string();
    }
    return entry;
}

void FillFilterBox(HWND comboBox) {
    if (HavePath()) {
        // An entry longer than kMaxExtensionLength still gets its item, shown cut and
        // marked: the dialog takes an item's index for its entry's index.
        ExtensionList list = ParseExtensionList(ReadListValue());
        for (const std::string& entry : list.entries) {
            CopyText(CurrentFilter, kFilterCapacity, FilterItemText(entry).c_str());
            LRESULT item =
                SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CurrentFilter));
            if (item >= 0 && entry.size() > static_cast<size_t>(kMaxExtensionLength))
                SendMessageA(comboBox, CB_SETITEMDATA, item, kCutEntryItem);
        }
    }
    CopyText(CurrentFilter, kFilterCapacity, "*.");
}

ListChange AppendExtension(const char* extension) {
    return ChangeList(AppendToListValue, extension, true);
}

ListChange JudgeAppendExtension(const char* extension) {
    return ChangeList(AppendToListValue, extension, false);
}

ListChange RemoveExtension(const char* extension) {
    return ChangeList(RemoveFromListValue, extension, true);
}

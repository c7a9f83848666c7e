#include "settings/settings_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "settings/current_filter.h"
#include "settings/extension_list.h"

char SettingsFilePath[kSettingsPathCapacity] = "";

namespace {

// Set by LoadExtensionList when the file was missing and could not be created, or when
// the start folder's path left no room for the file's.
bool FileUncreated = false;
bool PathTooLong = false;

// Extensions added in this run that the file could not keep, in the order added.
std::vector<std::string> UnkeptEntries;

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

// The value as the list is read at start-up: its first kMaxListValueLength bytes.
std::string ReadListValue() {
    char value[kSettingsValueCapacity] = "";
    GetPrivateProfileStringA(kSection, kKey, "", value, kSettingsValueCapacity, SettingsFilePath);
    return std::string(value, strnlen(value, sizeof value - 1));
}

// Longest value a change reads; a longer one (only a hand-made file has one) is not
// changed at all.
constexpr DWORD kWholeValueLimit = 1 << 20;

// The whole value, however long, for a change to be computed from: a value written
// back must keep every byte that was not meant to change. False when it is longer than
// kWholeValueLimit.
bool ReadWholeListValue(std::string* whole) {
    for (DWORD size = 1024; size <= kWholeValueLimit; size *= 4) {
        std::vector<char> value(size, '\0');
        DWORD length =
            GetPrivateProfileStringA(kSection, kKey, "", value.data(), size, SettingsFilePath);
        // A value that fills the buffer may have been cut: read again with more room.
        if (length + 1 < size) {
            whole->assign(value.data(), std::min<size_t>(length, strnlen(value.data(), size)));
            return true;
        }
    }
    return false;
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
    std::string value;
    if (!ReadWholeListValue(&value))
        return ListChange::ValueTooLong;
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
    // the path empty rather than cut; so does one with no room left for the name.
    if (length == 0 || length >= static_cast<DWORD>(kSettingsPathCapacity))
        return;
    // No PathAddBackslashA: it refuses paths of MAX_PATH bytes and more, which a
    // folder of some 90 letters outside ASCII reaches in the UTF-8 code page. CharPrevA
    // steps over a whole character, so a double-byte one ending in the backslash's byte is
    // not taken for a separator.
    const char* last = CharPrevA(path, path + length);
    if (last + 1 != path + length || *last != '\\') {
        if (!AppendText(path, sizeof path, "\\"))
            return;
    }
    if (!AppendText(path, sizeof path, kFileName))
        return;
    CopyText(SettingsFilePath, sizeof SettingsFilePath, path);
}

void LoadExtensionList() {
    CopyText(CurrentFilter, kFilterCapacity, "*.");
    FileUncreated = false;
    PathTooLong = !HavePath();
    UnkeptEntries.clear();
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
    if (!FileUncreated && !PathTooLong)
        return;
    char text[kSettingsPathCapacity + 400];
    if (PathTooLong) {
        CopyText(text, sizeof text,
                 "Kelvora cannot use a settings file: the path of the folder it was started "
                 "from is too long.\r\n\r\nThe list of extensions is empty, and extensions "
                 "you add are used only until Kelvora ends. Start Kelvora from a folder with "
                 "a shorter path.");
    } else {
        CopyText(text, sizeof text, "Kelvora could not create its settings file:\r\n\r\n");
        AppendText(text, sizeof text, SettingsFilePath);
        AppendText(text, sizeof text,
                   "\r\n\r\nThe list of extensions is empty, and extensions you add are used "
                   "only until Kelvora ends. Start Kelvora from a folder in which you may "
                   "create files.");
    }
    FileUncreated = false;  // said once
    PathTooLong = false;
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
    for (const std::string& entry : UnkeptEntries) {
        CopyText(CurrentFilter, kFilterCapacity, FilterItemText(entry).c_str());
        LRESULT item =
            SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CurrentFilter));
        if (item >= 0)
            SendMessageA(comboBox, CB_SETITEMDATA, item, kUnkeptEntryItem);
    }
    CopyText(CurrentFilter, kFilterCapacity, "*.");
}

int UnkeptExtensionCount() {
    return static_cast<int>(UnkeptEntries.size());
}

ListChange KeepExtensionForThisRun(const char* extension) {
    if (extension == nullptr)
        return ListChange::BadCharacter;
    ListEdit check = CheckExtension(extension);
    if (check != ListEdit::Done)
        return ToListChange(check);
    UnkeptEntries.emplace_back(extension);
    return ListChange::Stored;
}

bool ForgetUnkeptExtension(const char* extension) {
    auto found = std::find(UnkeptEntries.begin(), UnkeptEntries.end(), extension);
    if (found == UnkeptEntries.end())
        return false;
    UnkeptEntries.erase(found);
    return true;
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

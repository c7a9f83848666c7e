// The settings file "Kelvora.ini" in the start directory and the extension list it
// keeps (section "ext", key "Extensions"): the only data kept from run to run.
#pragma once
#include <windows.h>

#include <string>

constexpr int kSettingsPathCapacity = 1024;
constexpr int kSettingsValueCapacity = 256;

// Absolute path of the settings file, fixed once at start-up from the start directory.
extern char SettingsFilePath[kSettingsPathCapacity];

// Fixes SettingsFilePath from the process current directory.
void FixSettingsFilePath();

// Creates the settings file with the default list when it is missing and sets
// CurrentFilter from the first entry.
void LoadExtensionList();

// When the last LoadExtensionList found no settings file and could not create one, or
// had no path for it (the start folder's path is too long), says so in a message box
// owned by owner, naming the file; otherwise does nothing.
void ReportUncreatedSettingsFile(HWND owner);

// Adds one item "*." + extension per stored entry to the combo box, in stored order,
// then one per extension kept for this run only (item data kUnkeptEntryItem); leaves
// CurrentFilter at "*.". An entry longer than kMaxExtensionLength (only a hand-written
// file has one) is shown cut to what fits, and its item carries the item data
// kCutEntryItem: it is no filter, and its entry is found with CutEntry.
void FillFilterBox(HWND comboBox);
constexpr LPARAM kCutEntryItem = 1;
constexpr LPARAM kUnkeptEntryItem = 2;

// The whole stored entry that item number index of a list filled by FillFilterBox shows
// cut as itemText; empty when the file no longer holds that entry there.
std::string CutEntry(int index, const char* itemText);

// What became of a change to the stored list.
enum class ListChange {
    Stored,        // the file now holds the changed list
    NotFound,      // nothing to remove: no entry equal to the extension
    TooLong,       // the extension is longer than 47 characters
    BadCharacter,  // the extension contains ",", ":" or a control character
    ListFull,      // the stored value would grow past 255 characters
    LeadingBlank,  // the extension would begin the stored value with a blank
    WriteFailed,   // the file could not be written; it holds what it held
    ValueTooLong,  // the stored value is too long to be read whole; it is left as it is
};

// Stores the extension as a new last entry.
ListChange AppendExtension(const char* extension);
// What AppendExtension would answer now, without writing anything (Stored: it could).
ListChange JudgeAppendExtension(const char* extension);
// Deletes the first stored entry equal to the extension (letter case matters), of any
// length. The change is computed from the whole stored value, never from the part
// FillFilterBox shows.
ListChange RemoveExtension(const char* extension);

// An extension the file could not keep, used until the program ends: listed after the
// stored ones until LoadExtensionList starts afresh. Refuses what AppendExtension would
// refuse for the extension itself (TooLong, BadCharacter); otherwise Stored.
ListChange KeepExtensionForThisRun(const char* extension);
// Drops the first extension kept for this run equal to this one; false when none is.
bool ForgetUnkeptExtension(const char* extension);
int UnkeptExtensionCount();

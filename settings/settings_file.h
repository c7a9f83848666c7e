// The settings file "Kelvora.ini" in the start directory and the extension list it
// keeps (section "ext", key "Extensions"): the only data kept from run to run.
#pragma once
#include <windows.h>

constexpr int kSettingsPathCapacity = 1024;
constexpr int kSettingsValueCapacity = 256;

// Absolute path of the settings file, fixed once at start-up from the start directory.
extern char SettingsFilePath[kSettingsPathCapacity];

// Fixes SettingsFilePath from the process current directory.
void FixSettingsFilePath();

// Creates the settings file with the default list when it is missing and sets
// CurrentFilter from the first entry.
void LoadExtensionList();

// Adds one item "*." + extension per stored entry to the combo box, in stored order;
// leaves CurrentFilter at "*.".
void FillFilterBox(HWND comboBox);

// What became of a change to the stored list.
enum class ListChange {
    Stored,        // the file now holds the changed list
    NotFound,      // nothing to remove: no entry equal to the extension
    TooLong,       // the extension is longer than 47 characters
    BadCharacter,  // the extension contains ",", ":" or a control character
    ListFull,      // the stored value would grow past 255 characters
    WriteFailed,   // the file could not be written; it holds what it held
};

// Stores the extension as a new last entry.
ListChange AppendExtension(const char* extension);
// What AppendExtension would answer now, without writing anything (Stored: it could).
ListChange JudgeAppendExtension(const char* extension);
// Deletes the first stored entry equal to the extension (letter case matters).
ListChange RemoveExtension(const char* extension);

// Shell shortcuts (.lnk files) made through the shell's link object.
#pragma once
#include <cstdint>

// Everything one shortcut holds. Link and target paths are required; the optional texts
// are null when not wanted.
struct ShortcutSpec {
    const char* linkPath;       // where the .lnk file is written
    const char* targetPath;     // the program the shortcut starts
    const char* iconFile;       // null: the target's first icon
    std::int32_t iconIndex;     // used only with iconFile
    const char* description;    // null: none
    const char* workingFolder;  // null: none
    std::uint32_t hotKey;       // only the low 16 bits are used (virtual key + modifiers)
    std::int32_t showCommand;   // SW_ value the target is started with
};

// Writes the shortcut, replacing a file of that name. COM must be initialised on the
// calling thread. Returns false when any step fails; only the last step writes the file.
bool CreateShortcut(const ShortcutSpec& shortcut);

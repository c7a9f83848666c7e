#include "install.h"

#include "shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

namespace {

const char kProgramsFolder[] = "Programs\\";
const char kLinkName[] = "Kelvora.lnk";
const char kProductFolder[] = "Kelvora";
const char kInstallFolder[] = "c:\\Kelvora";
const char kProgramPath[] = "c:\\kelvora\\kelvora.exe";

constexpr size_t kPathBytes = 1024;
static_assert(kPathBytes >= MAX_PATH, "the shell writes folder paths of up to MAX_PATH");

// Appends text when the whole of it fits with the terminator; otherwise leaves the
// buffer as it was and returns false.
bool AppendPath(char* buffer, size_t size, const char* text) {
    const void* end = std::memchr(buffer, '\0', size);
    if (!end)
        return false;
    size_t used = static_cast<size_t>(static_cast<const char*>(end) - buffer);
    size_t extra = std::strlen(text);
    if (extra >= size - used)
        return false;
    std::memcpy(buffer + used, text, extra + 1);
    return true;
}

// Fills a buffer of at least MAX_PATH bytes with a shell folder; false, and an empty
// buffer, when the shell does not know the folder.
bool GetShellFolder(char* buffer, int folder) {
    buffer[0] = '\0';
    if (!SHGetSpecialFolderPathA(nullptr, buffer, folder, FALSE)) {
        buffer[0] = '\0';
        return false;
    }
    return buffer[0] != '\0';
}

}  // namespace

void InstallMain() {
    char desktopPath[kPathBytes];
    char startMenuPath[kPathBytes];
    char moveSource[kPathBytes];

    // Without a folder from the shell that shortcut is left out: an empty path would
    // put it in the working directory.
    bool haveDesktop = GetShellFolder(desktopPath, CSIDL_DESKTOP);
    bool haveStartMenu = GetShellFolder(startMenuPath, CSIDL_STARTMENU);

    if (haveStartMenu)
        haveStartMenu = PathAddBackslashA(startMenuPath) != nullptr;
    if (haveDesktop)
        haveDesktop = PathAddBackslashA(desktopPath) != nullptr;

    if (haveStartMenu) {
        haveStartMenu = AppendPath(startMenuPath, sizeof(startMenuPath), kProgramsFolder);
        // Usually there already; any other failure shows when the shortcut is saved.
        if (haveStartMenu)
            CreateDirectoryA(startMenuPath, nullptr);
    }
    if (haveStartMenu)
        haveStartMenu = AppendPath(startMenuPath, sizeof(startMenuPath), kLinkName);

    // The product folder is looked for in the working directory. When c:\Kelvora is
    // already there nothing moves and the shortcuts are still rewritten.
    moveSource[0] = '\0';
    AppendPath(moveSource, sizeof(moveSource), kProductFolder);
    MoveFileA(moveSource, kInstallFolder);

    ShortcutSpec shortcut;
    std::memset(&shortcut, 0, sizeof(shortcut));
    shortcut.targetPath = kProgramPath;
    shortcut.workingFolder = kInstallFolder;
    shortcut.showCommand = SW_SHOWNORMAL;
    shortcut.linkPath = startMenuPath;

    HRESULT com = CoInitialize(nullptr);

    if (haveStartMenu)
        CreateShortcut(shortcut);

    if (haveDesktop && AppendPath(desktopPath, sizeof(desktopPath), kLinkName)) {
        shortcut.linkPath = desktopPath;
        CreateShortcut(shortcut);
    }

    // Only a successful CoInitialize (S_OK or S_FALSE) is to be balanced.
    if (SUCCEEDED(com))
        CoUninitialize();
}

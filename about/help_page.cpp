#include "about/help_page.h"

#include <shellapi.h>

#include <cstdio>

#include "about/shell_open.h"
#include "base/bounded_text.h"

char HelpPagePath[kHelpPathCapacity] = "";

namespace {

HelpMessageCall helpMessage = MessageBoxA;

void SayHelpFailed(HWND owner, const char* problem, const char* advice) {
    char text[kHelpPathCapacity + 512];
    std::snprintf(text, sizeof text, "%s\r\n\r\n%s\r\n\r\n%s", problem, HelpPagePath, advice);
    helpMessage(owner, text, "Kelvora", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void FixHelpPagePath() {
    char path[kHelpPathCapacity] = "";
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    HelpPagePath[0] = '\0';
    // A start folder whose path does not fit leaves the path empty rather than cut.
    if (length == 0 || length >= sizeof path)
        return;
    // Not PathAddBackslashA: it refuses paths of MAX_PATH bytes and more. CharPrevA
    // steps over a whole character, so a double-byte one ending in the backslash's byte is
    // not taken for a separator.
    const char* last = CharPrevA(path, path + length);
    if (last + 1 != path + length || *last != '\\') {
        if (!AppendText(path, sizeof path, "\\"))
            return;
    }
    if (AppendText(path, sizeof path, "help\\index.html"))
        CopyText(HelpPagePath, sizeof HelpPagePath, path);
}

void OpenHelpPage(HWND owner) {
    if (HelpPagePath[0] == '\0') {
        helpMessage(owner,
                    "The help page cannot be shown: the path of the folder Kelvora was started "
                    "from is too long.\r\n\r\nStart Kelvora from a folder with a shorter path.",
                    "Kelvora", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    DWORD attributes = GetFileAttributesA(HelpPagePath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SayHelpFailed(owner, "The help page cannot be shown because this file is missing:",
                      "Kelvora looks for it in the \"help\" folder of the folder it was "
                      "started from.");
        return;
    }
    int result = ShellOpen(HelpPagePath);
    if (result > 32)
        return;
    if (result == SE_ERR_NOASSOC || result == SE_ERR_ASSOCINCOMPLETE) {
        SayHelpFailed(owner, "The help page could not be opened:",
                      "No program on this computer is set up to show web pages (HTML files).");
    } else {
        char advice[96];
        std::snprintf(advice, sizeof advice,
                      "Windows could not start a program to show it "
                      "(error %d).",
                      result);
        SayHelpFailed(owner, "The help page could not be opened:", advice);
    }
}

void UseHelpMessage(HelpMessageCall call) {
    helpMessage = call ? call : MessageBoxA;
}

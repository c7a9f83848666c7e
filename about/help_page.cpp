#include "about/help_page.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "about/shell_open.h"
#include "shell/bounded_text.h"

char HelpPagePath[kHelpPathCapacity] = "";

void FixHelpPagePath() {
    char directory[kHelpPathCapacity] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    CopyText(HelpPagePath, sizeof HelpPagePath, directory);
    PathAddBackslashA(HelpPagePath);
    AppendText(HelpPagePath, sizeof HelpPagePath, "help\\index.html");
}

void OpenHelpPage() {
    ShellOpen(HelpPagePath);
}

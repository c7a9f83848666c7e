// The help page: start directory + "\help\index.html", opened with the shell's
// "open" verb.
#pragma once

constexpr int kHelpPathCapacity = 1024;
extern char HelpPagePath[kHelpPathCapacity];

// Fixes HelpPagePath from the process current directory (once, at start-up).
void FixHelpPagePath();
// Opens the help page, maximised, in the desktop's viewer.
void OpenHelpPage();

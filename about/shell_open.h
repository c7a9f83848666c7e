// Hands a document or web address to the desktop's viewer (the shell's "open" verb,
// maximised). Tests put a stand-in in place of the shell call.
#pragma once

void ShellOpen(const char* target);

using ShellOpenCall = void (*)(const char* target);
// nullptr goes back to the shell.
void UseShellOpen(ShellOpenCall call);

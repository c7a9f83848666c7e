// Hands a document or web address to the desktop's viewer (the shell's "open" verb,
// maximised). Tests put a stand-in in place of the shell call.
#pragma once

// The shell's answer: greater than 32 when a viewer took the target, otherwise the
// reason it failed (ShellExecuteA's error values, such as SE_ERR_NOASSOC).
int ShellOpen(const char* target);

using ShellOpenCall = int (*)(const char* target);
// nullptr goes back to the shell.
void UseShellOpen(ShellOpenCall call);

#include "about/shell_open.h"

#include <windows.h>
#include <shellapi.h>

namespace {

void OpenWithShell(const char* target) {
    ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

ShellOpenCall shellOpen = OpenWithShell;

}  // namespace

void ShellOpen(const char* target) {
    shellOpen(target);
}

void UseShellOpen(ShellOpenCall call) {
    shellOpen = call ? call : OpenWithShell;
}

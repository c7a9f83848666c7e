#include "about/shell_open.h"

#include <windows.h>
#include <shellapi.h>

namespace {

int OpenWithShell(const char* target) {
    HINSTANCE result = ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWMAXIMIZED);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

ShellOpenCall shellOpen = OpenWithShell;

}  // namespace

int ShellOpen(const char* target) {
    return shellOpen(target);
}

void UseShellOpen(ShellOpenCall call) {
    shellOpen = call ? call : OpenWithShell;
}

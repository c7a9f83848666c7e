#include "shell/run_program.h"

#include "shell/main_window.h"

int RunProgram(HWND window, HACCEL accelerators, HMODULE richEdit) {
    if (window != nullptr)
        RunMessageLoop(window, accelerators);
    const BOOL freed = richEdit ? FreeLibrary(richEdit) : FALSE;
    if (window == nullptr)
        return kNoMainWindowExit;
    return freed ? 0 : 1;
}

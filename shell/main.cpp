// Kelvora: turns the contents of chosen folders into an editable, saveable and
// printable list.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/run_program.h"
#include "shell/window_state.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    Accelerators = accelerators;
    InitCommonControls();
    HMODULE richEdit = LoadLibraryA("RichEd20.dll");
    HWND window = CreateMainWindow(instance);
    ExitProcess(static_cast<UINT>(RunProgram(window, accelerators, richEdit)));
}

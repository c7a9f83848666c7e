// KelvoraSetUp: installs the product folder it is started next to. No window and no
// questions; a failure is told in one message box and ends with a non-zero exit code
// (see InstallResult).
#include <windows.h>

#include "install.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const InstallCalls system = {MoveFileExA, MessageBoxA};
    ExitProcess(static_cast<UINT>(InstallMain(system)));
}

// KelvoraSetUp: installs the product folder it is started next to. No window, no
// questions, always exit code 0.
#include <windows.h>

#include "install.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InstallMain();
    ExitProcess(0);
}

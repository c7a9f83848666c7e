// Entry point of every Windows test program: the common controls and the Rich Edit
// library are loaded once, as the program does at start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_dpi.h"

int main(int argc, char** argv) {
    // A run meant for another display scale that did not get it would test nothing
    // of it.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi != TestDpi()) {
        std::fprintf(stderr, "the screen is at %d DPI, not the %d asked for\n", dpi, TestDpi());
        return 1;
    }
    InitCommonControls();
    HMODULE richEdit = LoadLibraryA("RichEd20.dll");
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (richEdit)
        FreeLibrary(richEdit);
    return result;
}

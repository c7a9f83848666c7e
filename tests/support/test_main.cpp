// Entry point of every Windows test program: the common controls and the Rich Edit
// library are loaded once, as the program does at start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    InitCommonControls();
    HMODULE richEdit = LoadLibraryA("RichEd20.dll");
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (richEdit)
        FreeLibrary(richEdit);
    return result;
}

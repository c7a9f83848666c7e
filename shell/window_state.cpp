#include "shell/window_state.h"

#include "base/bounded_text.h"
#include "settings/current_filter.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
HACCEL Accelerators = nullptr;
char WindowTitle[kTitleCapacity] = "";

void ResetTitle() {
    CopyText(WindowTitle, sizeof WindowTitle, "Kelvora");
    AppendText(WindowTitle, sizeof WindowTitle, ": ");
    AppendText(WindowTitle, sizeof WindowTitle, CurrentFilter, GetACP() == CP_UTF8);
    SetWindowTextA(MainWindow, WindowTitle);
}

#include "about/about_box.h"

#include "about/shell_open.h"
#include "resources/resource_ids.h"

const char kMakerWebPage[] = "https://kelvora.example/";

namespace {

bool OnWebLabel(unsigned x, unsigned y) {
    return y >= kWebLabelTop && y <= kWebLabelBottom && x >= kWebLabelLeft && x <= kWebLabelRight;
}

// Esc and Enter are system hot keys, so the box holds them only while it is the active
// window: while another program is active they are that program's keys.
bool HotKeysHeld = false;

void HoldHotKeysIf(HWND dialog, bool wanted) {
    HoldHotKeysWhen(dialog, wanted, HotKeysHeld);
}

}  // namespace

void AboutDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            HotKeysHeld = false;
            HoldHotKeysIf(dialog, true);  // the box is about to become the active window
            return TRUE;
        case WM_ACTIVATE:
            HoldHotKeysIf(dialog, LOWORD(wParam) != WA_INACTIVE);
            return FALSE;
        case WM_HOTKEY:
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case WM_LBUTTONDOWN: {
            // The picture lies at (0, 0), so client pixels are picture pixels.
            unsigned x = LOWORD(lParam);
            unsigned y = HIWORD(lParam);
            if (OnWebLabel(x, y))
                ShellOpen(kMakerWebPage);
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        }
        case WM_CLOSE:
            HoldHotKeysIf(dialog, false);
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

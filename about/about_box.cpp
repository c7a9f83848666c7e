#include "about/about_box.h"

#include "about/shell_open.h"
#include "resources/resource_ids.h"
#include "base/display_scale.h"

const char kMakerWebPage[] = "https://kelvora.example/";

namespace {

bool OnWebLabel(unsigned x, unsigned y) {
    return y >= kWebLabelTop && y <= kWebLabelBottom && x >= kWebLabelLeft && x <= kWebLabelRight;
}

// The picture the box shows at a display scale other than 100 %, and the one the
// picture control was made with, which it gets back before it goes.
HBITMAP scaledPicture = nullptr;
HBITMAP templatePicture = nullptr;
// The width of the picture shown, in pixels: 340 at 100 %.
int shownWidth = kAboutPictureWidth;

void PutBackTemplatePicture(HWND dialog) {
    if (scaledPicture == nullptr)
        return;
    SendDlgItemMessageA(dialog, IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(templatePicture));
    DeleteObject(scaledPicture);
    scaledPicture = nullptr;
    templatePicture = nullptr;
    shownWidth = kAboutPictureWidth;
}

// The box fits itself to its picture on a change of scale (FitPicture), so Windows'
// dialog manager is asked to leave its size and its control alone (Windows 10 1703
// on; before that it does not scale dialogs).
void KeepDialogManagerOut(HWND dialog) {
    using SetBehaviorCall = BOOL(WINAPI*)(HWND, int, int);
    const SetBehaviorCall setBehavior = reinterpret_cast<SetBehaviorCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    const int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (setBehavior)
        setBehavior(dialog, kDisableAll, kDisableAll);
}

// The picture control and the box's client area made the picture's size; the box
// keeps its centre (DS_CENTER placed it for the template's size).
void FitBoxTo(HWND dialog, int width, int height) {
    SetWindowPos(GetDlgItem(dialog, IDC_ABOUT_PICTURE), nullptr, 0, 0, width, height, SWP_NOZORDER);
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    const int outerWidth = window.right - window.left + width - client.right;
    const int outerHeight = window.bottom - window.top + height - client.bottom;
    SetWindowPos(dialog, nullptr, (window.left + window.right - outerWidth) / 2,
                 (window.top + window.bottom - outerHeight) / 2, outerWidth, outerHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The picture for dpi in the picture control, and the box's client area made the
// picture's size. At 100 % the template's picture and size stay as they are.
void FitPicture(HWND dialog, int dpi) {
    static const int kWidths[kPictureSizes] = {kAboutPictureWidth, 425, 510};
    const PictureChoice choice = ChoosePicture(ScaleToDpi(kAboutPictureWidth, dpi), kWidths);
    const bool wasScaled = scaledPicture != nullptr;
    PutBackTemplatePicture(dialog);
    if (choice.size == 0 && choice.factor == 1) {
        // Back at 100 % from another scale: the template's picture, the box around it.
        if (wasScaled)
            FitBoxTo(dialog, kAboutPictureWidth, kAboutPictureHeight);
        return;
    }
    HBITMAP picture = LoadPicture(GetModuleHandleA(nullptr), IDB_ABOUT_PICTURE, choice);
    if (picture == nullptr)
        return;
    BITMAP size = {};
    GetObjectA(picture, sizeof size, &size);
    templatePicture = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(
        dialog, IDC_ABOUT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    scaledPicture = picture;
    shownWidth = size.bmWidth;
    FitBoxTo(dialog, size.bmWidth, size.bmHeight);
}

// A client pixel of the box as a pixel of the 100 % picture: the larger pictures show
// pixel (x * 340 / their width) of it at x, in both directions.
unsigned ToPicturePixel(unsigned at) {
    return at * kAboutPictureWidth / static_cast<unsigned>(shownWidth);
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
            KeepDialogManagerOut(dialog);
            FitPicture(dialog, WindowDpi(dialog));
            HotKeysHeld = false;
            HoldHotKeysIf(dialog, true);  // the box is about to become the active window
            return TRUE;
        case WM_ACTIVATE:
            HoldHotKeysIf(dialog, LOWORD(wParam) != WA_INACTIVE);
            return FALSE;
        case WM_HOTKEY:
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case WM_DPICHANGED: {
            // Moved to a monitor of another scale: the picture for it, the box around
            // it where Windows suggests.
            FitPicture(dialog, HIWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return TRUE;
        }
        case WM_LBUTTONDOWN: {
            // The picture lies at (0, 0), so client pixels are picture pixels, at the
            // display's scale.
            unsigned x = ToPicturePixel(LOWORD(lParam));
            unsigned y = ToPicturePixel(HIWORD(lParam));
            if (OnWebLabel(x, y))
                ShellOpen(kMakerWebPage);
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        }
        case WM_CLOSE:
            HoldHotKeysIf(dialog, false);
            EndDialog(dialog, 0);
            return TRUE;
        case WM_DESTROY:
            PutBackTemplatePicture(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}

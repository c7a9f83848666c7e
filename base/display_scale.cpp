#include "base/display_scale.h"

namespace {

// Windows 10's per-monitor calls, looked up so that the program still starts where
// they are missing.
template <typename Call>
Call UserCall(const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const GetDpiForWindowCall getDpiForWindow =
        UserCall<GetDpiForWindowCall>("GetDpiForWindow");
    const int dpi = getDpiForWindow && window ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

int ScaleToDpi(int length, int dpi) {
    return MulDiv(length, dpi, kBaseDpi);
}

int MetricForDpi(int index, int dpi) {
    using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
    static const GetSystemMetricsForDpiCall forDpi =
        UserCall<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

PictureChoice ChoosePicture(int wanted, const int (&widths)[kPictureSizes]) {
    PictureChoice best = {0, 1};
    int bestWidth = 0;
    for (int size = 0; size < kPictureSizes; ++size) {
        if (widths[size] <= 0)
            continue;
        const int factor = wanted / widths[size];
        if (factor >= 1 && factor * widths[size] > bestWidth) {
            best = {size, factor};
            bestWidth = factor * widths[size];
        }
    }
    return best;
}

HBITMAP LoadPicture(HINSTANCE instance, int id, PictureChoice choice) {
    HBITMAP picture = LoadBitmapA(instance, MAKEINTRESOURCEA(id + choice.size * kPictureStep));
    if (picture == nullptr || choice.factor <= 1)
        return picture;
    BITMAP info = {};
    GetObjectA(picture, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP large =
        CreateCompatibleBitmap(screen, info.bmWidth * choice.factor, info.bmHeight * choice.factor);
    if (from && to && large) {
        HGDIOBJ oldFrom = SelectObject(from, picture);
        HGDIOBJ oldTo = SelectObject(to, large);
        // A whole factor without blending: every pixel becomes a block of its colour.
        SetStretchBltMode(to, COLORONCOLOR);
        StretchBlt(to, 0, 0, info.bmWidth * choice.factor, info.bmHeight * choice.factor, from, 0,
                   0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    } else if (large) {
        DeleteObject(large);  // nothing could be drawn into it
        large = nullptr;
    }
    if (to)
        DeleteDC(to);
    if (from)
        DeleteDC(from);
    ReleaseDC(nullptr, screen);
    DeleteObject(picture);
    return large;
}

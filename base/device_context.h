// Device contexts, each with one owner that gives it back on every way out of the
// scope that holds it.
#pragma once
#include <windows.h>

// A device context to be deleted (DeleteDC) when done: a printer's from the print
// dialog, a memory one.
class OwnedDc {
public:
    explicit OwnedDc(HDC dc) : dc_(dc) {}
    ~OwnedDc() {
        if (dc_ != nullptr)
            DeleteDC(dc_);
    }
    OwnedDc(const OwnedDc&) = delete;
    OwnedDc& operator=(const OwnedDc&) = delete;

    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// A window's device context (GetDC), released when done; a null window gives the
// screen's.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

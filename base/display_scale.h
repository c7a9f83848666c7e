// The display's scale. The program's own measures (the splitter gap, the tree pane's
// first width, the pictures) are given for 96 pixels per inch, Windows' 100 %; at
// another scale they become that scale's pixels, so that nothing is drawn small or
// stretched.
#pragma once
#include <windows.h>

constexpr int kBaseDpi = 96;

// The DPI the window is drawn at: its monitor's where Windows gives each monitor its
// own (GetDpiForWindow, Windows 10 1607 on), else the system's.
int WindowDpi(HWND window);
// The system's DPI, that of the screen device context (LOGPIXELSY). The font dialog
// measures font heights in it.
int ScreenDpi();
// A length at 96 DPI in pixels at dpi, rounded to the nearest.
int ScaleToDpi(int length, int dpi);
// A system metric at dpi: GetSystemMetricsForDpi where Windows has it, else the
// system's value scaled from the system's DPI.
int MetricForDpi(int index, int dpi);

// Every picture comes in three sizes, for 100 %, 125 % and 150 %, under its resource
// number, that number + 100 and + 200.
constexpr int kPictureSizes = 3;
constexpr int kPictureStep = 100;

struct PictureChoice {
    int size;    // 0, 1 or 2: which of the three pictures
    int factor;  // a whole enlargement, pixel for pixel
};

// Of the three pictures (widths: theirs) each enlarged by a whole factor, the one
// whose width comes nearest to wanted without passing it; the smallest picture at its
// own size when even that is wider than wanted.
PictureChoice ChoosePicture(int wanted, const int (&widths)[kPictureSizes]);
// Loads bitmap id of the chosen size, each pixel enlarged to a factor x factor
// block; null when it cannot.
HBITMAP LoadPicture(HINSTANCE instance, int id, PictureChoice choice);

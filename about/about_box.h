// The About box (resource 2017): one picture; a click on its web-site label opens
// the maker's web page; any click, Esc or Enter closes it.
#pragma once
#include <windows.h>

#include "base/hot_keys.h"

// The maker's web page, opened from the picture's web-site label.
extern const char kMakerWebPage[];

// The About picture's width at 100 % display scaling, in pixels.
constexpr int kAboutPictureWidth = 340;
constexpr int kAboutPictureHeight = 255;

// The web-site label of the About picture, in its pixels at 100 %, both ends included.
// At another scale the box shows a larger picture, and a click is taken back to these
// pixels.
constexpr unsigned kWebLabelLeft = 109;
constexpr unsigned kWebLabelRight = 216;
constexpr unsigned kWebLabelTop = 157;
constexpr unsigned kWebLabelBottom = 179;

// Shows the box, modal to owner; returns when it has closed.
void AboutDialog(HWND owner);

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

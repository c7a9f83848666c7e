#include "about/about_box.h"

void AboutDialog(HWND) {}

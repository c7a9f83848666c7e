// The About box (resource 2017): one picture; a click on its web-site label opens
// the maker's web page; any click, Esc or Enter closes it.
#pragma once
#include <windows.h>

void AboutDialog(HWND owner);

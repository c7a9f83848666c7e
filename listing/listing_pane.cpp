#include "listing/listing_pane.h"

#include <richedit.h>

#include "listing/pane_clipboard.h"

HWND ListingPane = nullptr;

HWND CreateListingPane(HWND parent, int x, int y, int width, int height, bool visible) {
    const DWORD style = visible ? kListingPaneStyle : (kListingPaneStyle & ~WS_VISIBLE);
    HWND pane = CreateWindowExA(
        0, "RICHEDIT20A", "", style, x, y, width, height, parent, nullptr,
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (pane != nullptr)
        ConfigureListingPane(pane);
    return pane;
}

void ConfigureListingPane(HWND pane) {
    SendMessageA(pane, EM_SETEVENTMASK, 0, ENM_MOUSEEVENTS);
    AttachPaneClipboard(pane);
}

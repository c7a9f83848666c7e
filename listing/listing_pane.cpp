#include "listing/listing_pane.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/long_work.h"
#include "listing/pane_clipboard.h"

HWND ListingPane = nullptr;

namespace {

// The panes kept for Undo, the one Undo brings back next last.
std::vector<HWND> keptPanes;
WNDPROC richEditProc = nullptr;

bool IsUndoRequest(UINT message, WPARAM wParam) {
    if (message == WM_UNDO || message == EM_UNDO)
        return true;
    // Ctrl+Z, as the control itself takes it.
    return message == WM_KEYDOWN && wParam == 'Z' && (GetKeyState(VK_CONTROL) & 0x8000) &&
           !(GetKeyState(VK_MENU) & 0x8000) && !(GetKeyState(VK_SHIFT) & 0x8000);
}

LRESULT CALLBACK ListingPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsUndoRequest(message, wParam) && pane == ListingPane && !keptPanes.empty() &&
        !CallWindowProcA(richEditProc, pane, EM_CANUNDO, 0, 0)) {
        RestoreKeptListing();
        return message == WM_KEYDOWN ? 0 : TRUE;
    }
    // Shift+F10 or the context-menu key: the Edit menu is the owner's to show (the
    // control would keep the request to itself).
    if (message == WM_CONTEXTMENU && lParam == -1)
        return SendMessageA(GetParent(pane), message, reinterpret_cast<WPARAM>(pane), lParam);
    if (message == WM_NCDESTROY)
        keptPanes.erase(std::remove(keptPanes.begin(), keptPanes.end(), pane), keptPanes.end());
    return CallWindowProcA(richEditProc, pane, message, wParam, lParam);
}

RECT PlaceInParent(HWND pane) {
    RECT r;
    GetWindowRect(pane, &r);
    MapWindowPoints(nullptr, GetParent(pane), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Shows pane where old is, in its place in the z-order, with the focus if old had it,
// and hides old.
void TakePlace(HWND pane, HWND old) {
    const RECT r = PlaceInParent(old);
    const bool hadFocus = GetFocus() == old;
    SetWindowPos(pane, old, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (hadFocus)
        SetFocus(pane);
    ShowWindow(old, SW_HIDE);
    ListingPane = pane;
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}

struct StreamSource {
    const std::string* text;
    size_t at;
    // The progress: bytes of the earlier pieces, and of all of them.
    size_t before;
    size_t total;
};

void ShowStreamProgress(size_t done, size_t total) {
    LongWorkProgress("showing the listing, %s%",
                     static_cast<long long>(total > 0 ? done * 100 / total : 100));
}

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    StreamSource* source = reinterpret_cast<StreamSource*>(cookie);
    size_t left = source->text->size() - source->at;
    size_t n = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    std::memcpy(buffer, source->text->data() + source->at, n);
    source->at += n;
    *given = static_cast<LONG>(n);
    ShowStreamProgress(source->before + source->at, source->total);
    return 0;
}

LONG TextLength(HWND pane) {
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(pane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

}  // namespace

HWND CreateListingPane(HWND parent, int x, int y, int width, int height, bool visible) {
    const DWORD style = visible ? kListingPaneStyle : (kListingPaneStyle & ~WS_VISIBLE);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    HWND pane = CreateWindowExA(0, "RICHEDIT20A", "", style, x, y, width, height, parent, nullptr,
                                instance, nullptr);
    if (pane != nullptr)
        ConfigureListingPane(pane);
    return pane;
}

void ConfigureListingPane(HWND pane) {
    SendMessageA(pane, EM_EXLIMITTEXT, 0, kListingPaneTextLimit);
    SendMessageA(pane, EM_SETEVENTMASK, 0, ENM_MOUSEEVENTS);
    AttachPaneClipboard(pane);
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListingPaneProc)));
    if (previous != ListingPaneProc)
        richEditProc = previous;
}

HWND MakeReplacementPane() {
    if (ListingPane == nullptr)
        return nullptr;
    const RECT r = PlaceInParent(ListingPane);
    HWND pane = CreateListingPane(GetParent(ListingPane), r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, false);
    if (pane != nullptr)
        SendMessageA(pane, EM_EMPTYUNDOBUFFER, 0, 0);
    return pane;
}

bool StreamRtfIntoPane(HWND pane, const std::string& rtf, const RtfPieces& pieces,
                       const CHARFORMATA& base, bool sizeForAll) {
    CHARFORMATA format = base;
    format.cbSize = sizeof format;
    // On the text only: the final paragraph mark keeps the pane's default format.
    CHARFORMATA size = {};
    size.cbSize = sizeof size;
    size.dwMask = CFM_SIZE;
    size.yHeight = base.yHeight;
    // Reading into the selection records an undo step for every run read, which no one
    // can use (the fresh pane's undo is emptied once it is filled) and which Wine's
    // control makes and frees at a cost that grows faster than the text: with a drive's
    // listing they took minutes and left the heap too fragmented for the next listing.
    // Undo is off while the pane is filled.
    SendMessageA(pane, EM_SETUNDOLIMIT, 0, 0);
    const size_t count = pieces.cuts.size() + 1;
    StreamSource source = {nullptr, 0, 0, rtf.size() + (count - 1) * (pieces.body + 1)};
    bool whole = true;
    LONG start = 0;
    for (size_t i = 0; i < count && whole; ++i) {
        const std::string piece = count > 1 ? RtfPiece(rtf, pieces, i) : std::string();
        source.text = count > 1 ? &piece : &rtf;
        source.at = 0;
        SendMessageA(pane, EM_SETSEL, start, start);
        SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EDITSTREAM stream = {};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
        stream.pfnCallback = ReadStream;
        SendMessageA(pane, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
        whole = stream.dwError == 0 && source.at == source.text->size();
        const LONG end = TextLength(pane);
        if (whole && sizeForAll) {
            SendMessageA(pane, EM_SETSEL, start, end);
            SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&size));
        }
        start = end;
        source.before += source.text->size();
        ShowStreamProgress(source.before, source.total);
    }
    SendMessageA(pane, EM_SETSEL, 0, 0);
    SendMessageA(pane, EM_SETUNDOLIMIT, kListingPaneUndoLimit, 0);
    return whole;
}

void SwapInEmptyPane(HWND fresh) {
    HWND old = ListingPane;
    TakePlace(fresh, old);
    keptPanes.push_back(old);
}

bool PaneHoldsText(HWND pane) {
    return TextLength(pane) > 0;
}

void DropKeptPanes() {
    while (!keptPanes.empty()) {
        HWND kept = keptPanes.back();
        keptPanes.pop_back();
        DestroyWindow(kept);
    }
}

bool RetireListingPane(HWND fresh) {
    HWND old = ListingPane;
    const bool hadFocus = GetFocus() == old;
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    ListingPane = fresh;
    DropKeptPanes();
    DestroyWindow(old);
    return hadFocus;
}

void ShowFreshPane(bool hadFocus) {
    ShowWindow(ListingPane, SW_SHOWNA);
    if (hadFocus)
        SetFocus(ListingPane);
    SendMessageA(ListingPane, EM_SCROLLCARET, 0, 0);
}

bool RestoreKeptListing() {
    if (keptPanes.empty() || ListingPane == nullptr)
        return false;
    HWND kept = keptPanes.back();
    HWND empty = ListingPane;
    keptPanes.pop_back();
    TakePlace(kept, empty);
    DestroyWindow(empty);
    return true;
}

HWND KeptListingPane() {
    return keptPanes.empty() ? nullptr : keptPanes.back();
}

#include "output/print_listing.h"

#include <richedit.h>

#include "listing/listing_generator.h"
#include "output/paginator.h"
#include "shell/long_work.h"

namespace {

constexpr LONG kLeftMargin = 360;
constexpr LONG kRightMargin = 360;
constexpr LONG kTopMargin = 360;
constexpr LONG kBottomMargin = 302;
constexpr int kDocumentNameCapacity = 256;

PrintDialogCall printDialogCall = PrintDlgA;
PageCall startPageCall = StartPage;
PageCall endPageCall = EndPage;

LONG Twips(int deviceUnits, int perInch) {
    return static_cast<LONG>(static_cast<unsigned long long>(deviceUnits) * 1440u /
                             static_cast<unsigned>(perInch));
}

// The range to print: the selection when the user asked for it and there is one,
// else the whole text, which leaves the caret at the start. Returns the end limit.
LONG ChooseRange(bool selectionAsked, CHARRANGE& range) {
    CHARRANGE selection;
    SendMessageA(ListingPane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMax > selection.cpMin && selectionAsked) {
        range = selection;
        return selection.cpMax;
    }
    SendMessageA(ListingPane, EM_HIDESELECTION, 1, 0);
    CHARRANGE all = {0, -1};
    SendMessageA(ListingPane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageA(ListingPane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&all));
    CHARRANGE start = {0, 0};
    SendMessageA(ListingPane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    SendMessageA(ListingPane, EM_HIDESELECTION, 0, 0);
    range.cpMin = 0;
    range.cpMax = -1;
    return all.cpMax;
}

}  // namespace

void UsePrintDialog(PrintDialogCall dialog) {
    printDialogCall = dialog ? dialog : PrintDlgA;
}

void UsePageCalls(PageCall startPage, PageCall endPage) {
    startPageCall = startPage ? startPage : StartPage;
    endPageCall = endPage ? endPage : EndPage;
}

bool PrintRectangle(int horzRes, int vertRes, int dpiX, int dpiY, RECT& rect) {
    if (horzRes <= 0 || vertRes <= 0 || dpiX <= 0 || dpiY <= 0)
        return false;
    rect.left = kLeftMargin;
    rect.top = kTopMargin;
    rect.right = Twips(horzRes, dpiX) - kRightMargin;
    rect.bottom = Twips(vertRes, dpiY) - kBottomMargin;
    return true;
}

void PrintListing(HWND owner) {
    PRINTDLGA request;
    ZeroMemory(&request, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.Flags = PD_RETURNDC | PD_COLLATE;
    request.nFromPage = 1;
    request.nToPage = 1;
    request.nMinPage = 0;
    request.nMaxPage = 0xFFFF;
    request.nCopies = 1;
    request.hInstance = GetModuleHandleA(nullptr);
    BOOL chosen = printDialogCall(&request);
    // Only the device context is used; the printer settings go back at once.
    if (request.hDevMode)
        GlobalFree(request.hDevMode);
    if (request.hDevNames)
        GlobalFree(request.hDevNames);
    if (!chosen || !request.hDC)
        return;
    HDC dc = request.hDC;

    char title[kDocumentNameCapacity];
    title[0] = '\0';
    GetWindowTextA(owner, title, sizeof title);
    DOCINFOA document;
    ZeroMemory(&document, sizeof document);
    document.cbSize = sizeof document;
    document.lpszDocName = title;
    // The printing is long work from here on; the dialog before it was not.
    LongWork work;

    FORMATRANGE page;
    ZeroMemory(&page, sizeof page);
    page.hdc = dc;
    page.hdcTarget = dc;
    if (!PrintRectangle(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                        GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY), page.rc)) {
        DeleteDC(dc);
        return;
    }
    const RECT area = page.rc;
    page.rcPage = area;

    StartDocA(dc, &document);
    LONG endLimit = ChooseRange((request.Flags & PD_SELECTION) != 0, page.chrg);

    // The control lays out the pages; where it makes no progress on text that is
    // left, the program's own layout takes over for the rest of the document.
    PageSource ownSource;
    bool ownLayout = false;
    bool finished = false;
    for (long long pageNumber = 1;; ++pageNumber) {
        LongWorkProgress("printing page %s", pageNumber);
        if (startPageCall(dc) <= 0)
            break;
        page.rc = area;
        LONG from = page.chrg.cpMin;
        LONG next = from;
        if (!ownLayout) {
            next = static_cast<LONG>(
                SendMessageA(ListingPane, EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&page)));
            if (next <= from && from < endLimit) {
                ownLayout = true;
                ReadPageSource(ListingPane, from, page.chrg.cpMax, ownSource);
            }
        }
        if (ownLayout)
            next = LayOutPage(ownSource, dc, area, from, endLimit);
        page.chrg.cpMin = next;
        if (endPageCall(dc) <= 0)
            break;
        // A page that took no character would be followed by the same page forever.
        if (next <= 0 || next >= endLimit || next <= from) {
            finished = true;
            break;
        }
    }
    if (!finished)
        AbortDoc(dc);
    SendMessageA(ListingPane, EM_FORMATRANGE, 0, 0);
    if (finished)
        EndDoc(dc);
    DeleteDC(dc);
    ReleasePageSource(ownSource);
}

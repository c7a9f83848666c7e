#include "output/print_listing.h"

#include <richedit.h>

#include <algorithm>
#include <climits>

#include "base/device_context.h"
#include "base/long_work.h"
#include "listing/listing_generator.h"
#include "output/paginator.h"

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

// The text's length in character positions, without the final paragraph mark that a
// selection of everything takes in.
LONG TextLength() {
    GETTEXTLENGTHEX ask = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT length =
        SendMessageA(ListingPane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&ask), 0);
    return length > 0 ? static_cast<LONG>(length) : 0;
}

// The range to print: the selection when the user asked for it and there is one,
// else the whole text, which leaves the caret at the start. Returns the end limit.
LONG ChooseRange(bool selectionAsked, CHARRANGE& range) {
    const LONG length = TextLength();
    CHARRANGE selection;
    SendMessageA(ListingPane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMax > selection.cpMin && selectionAsked) {
        range = selection;
        return std::min(selection.cpMax, length);
    }
    SendMessageA(ListingPane, EM_HIDESELECTION, 1, 0);
    CHARRANGE start = {0, 0};
    SendMessageA(ListingPane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    SendMessageA(ListingPane, EM_HIDESELECTION, 0, 0);
    range.cpMin = 0;
    range.cpMax = -1;
    return length;
}

// How many copies the program itself prints, and whether collated. The driver makes
// the copies that PrintDlg put into the DEVMODE the device context was made from
// (PD_USEDEVMODECOPIESANDCOLLATE) when it can; when it cannot, they come back here and
// the device context is reset to one copy.
struct Copies {
    int count = 1;
    bool collate = false;
};

Copies ChooseCopies(const PRINTDLGA& request, HDC dc) {
    Copies copies;
    copies.count = request.nCopies > 1 ? request.nCopies : 1;
    copies.collate = (request.Flags & PD_COLLATE) != 0;
    if (!request.hDevMode)
        return copies;
    auto* mode = static_cast<DEVMODEA*>(GlobalLock(request.hDevMode));
    if (!mode)
        return copies;
    if ((mode->dmFields & DM_COPIES) && mode->dmCopies > 1) {
        const bool collate = (mode->dmFields & DM_COLLATE) && mode->dmCollate == DMCOLLATE_TRUE;
        char port[kDocumentNameCapacity];
        port[0] = '\0';
        if (auto* names = static_cast<DEVNAMES*>(request.hDevNames ? GlobalLock(request.hDevNames)
                                                                   : nullptr)) {
            lstrcpynA(port, reinterpret_cast<const char*>(names) + names->wOutputOffset,
                      sizeof port);
            GlobalUnlock(request.hDevNames);
        }
        char device[CCHDEVICENAME + 1];
        lstrcpynA(device, reinterpret_cast<const char*>(mode->dmDeviceName), sizeof device);
        const int most = DeviceCapabilitiesA(device, port, DC_COPIES, nullptr, mode);
        const bool driverCollates =
            !collate || DeviceCapabilitiesA(device, port, DC_COLLATE, nullptr, mode) == 1;
        if (most < mode->dmCopies || !driverCollates) {
            copies.count = mode->dmCopies;
            copies.collate = collate;
            mode->dmCopies = 1;
            ResetDCA(dc, mode);
        }
    }
    GlobalUnlock(request.hDevMode);
    return copies;
}

// Prints the pages the dialog asked for, as many times as it asked, on dc, the dialog's
// device context; fonts of the program's own layout are left in ownSource.
void PrintPagesOn(HWND owner, const PRINTDLGA& request, HDC dc, PageSource& ownSource) {
    const Copies copies = ChooseCopies(request, dc);
    long long firstPage = 1;
    long long lastPage = LLONG_MAX;
    if (request.Flags & PD_PAGENUMS) {
        firstPage = std::max<long long>(request.nFromPage, 1);
        lastPage = std::max<long long>(request.nToPage, firstPage);
    }

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
                        GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY), page.rc))
        return;
    const RECT area = page.rc;
    page.rcPage = area;

    StartDocA(dc, &document);
    const LONG endLimit = ChooseRange((request.Flags & PD_SELECTION) != 0, page.chrg);
    const LONG start = page.chrg.cpMin;

    // The control lays out the pages. Where it makes no progress on the first page
    // with text left, the program's own layout does the whole document instead; a
    // later page that takes no character ends the document there (it would be
    // followed by the same page forever). Each page is measured before it is started,
    // so no blank page comes of it; only an empty range prints as one blank page.
    bool ownLayout = false;
    bool controlLaidOut = false;
    auto layOut = [&](LONG from, bool draw) -> LONG {
        page.rc = area;
        page.chrg.cpMin = from;
        if (!ownLayout) {
            LONG next = static_cast<LONG>(SendMessageA(ListingPane, EM_FORMATRANGE, draw ? 1 : 0,
                                                       reinterpret_cast<LPARAM>(&page)));
            if (next > from)
                controlLaidOut = true;
            if (next > from || from >= endLimit || controlLaidOut)
                return next;
            ownLayout = true;
            ReadPageSource(ListingPane, from, page.chrg.cpMax, ownSource);
        }
        return LayOutPage(ownSource, dc, area, from, endLimit, draw);
    };

    // Collated copies print the document again and again; uncollated ones each page
    // again and again. Pages before the asked range are laid out, not printed.
    const int passes = copies.collate ? copies.count : 1;
    const int repeats = copies.collate ? 1 : copies.count;
    long long printed = 0;
    bool failed = false;
    for (int pass = 0; pass < passes && !failed; ++pass) {
        LONG from = start;
        for (long long pageNumber = 1; pageNumber <= lastPage; ++pageNumber) {
            const LONG next = layOut(from, false);
            if (next <= from && !(pageNumber == 1 && from >= endLimit))
                break;
            for (int copy = 0; pageNumber >= firstPage && copy < repeats; ++copy) {
                LongWorkProgress("printing page %s", printed + 1);
                if (startPageCall(dc) <= 0) {
                    failed = true;
                    break;
                }
                layOut(from, true);
                if (endPageCall(dc) <= 0) {
                    failed = true;
                    break;
                }
                ++printed;
            }
            if (failed || next >= endLimit)
                break;
            from = next;
        }
    }
    // A document that failed, or had no page in the asked range, is not printed.
    if (failed || printed == 0)
        AbortDoc(dc);
    SendMessageA(ListingPane, EM_FORMATRANGE, 0, 0);
    if (!failed && printed > 0)
        EndDoc(dc);
}

// Prints on the dialog's device context, which is deleted on every way out; the fonts
// of the program's own layout only after it, as they may still be selected into it.
void PrintPages(HWND owner, const PRINTDLGA& request) {
    PageSource ownSource;
    {
        OwnedDc printer(request.hDC);
        PrintPagesOn(owner, request, printer.get(), ownSource);
    }
    ReleasePageSource(ownSource);
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
    request.Flags = PD_RETURNDC | PD_COLLATE | PD_USEDEVMODECOPIESANDCOLLATE;
    request.nFromPage = 1;
    request.nToPage = 1;
    request.nMinPage = 1;
    request.nMaxPage = 0xFFFF;  // the page count is known only once the pages are laid out
    request.nCopies = 1;
    request.hInstance = GetModuleHandleA(nullptr);
    BOOL chosen = printDialogCall(&request);
    if (chosen && request.hDC)
        PrintPages(owner, request);
    if (request.hDevMode)
        GlobalFree(request.hDevMode);
    if (request.hDevNames)
        GlobalFree(request.hDevNames);
}

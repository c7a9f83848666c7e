#include "bench/output_bench.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <string>

#include "base/bounded_text.h"
#include "bench/bench_figures.h"
#include "listing/listing_generator.h"
#include "output/print_listing.h"
#include "output/save_listing.h"

namespace {

std::string savePath;
std::string saveMessage;

BOOL WINAPI SaveHere(OPENFILENAMEA* request) {
    CopyText(request->lpstrFile, request->nMaxFile, savePath.c_str());
    return TRUE;
}

int WINAPI KeepMessage(HWND, const char* text, const char*, UINT) {
    saveMessage = text;
    return IDOK;
}

// The print dialog's OK, at once, on the default printer.
double okAt = 0;
double firstStartAt = 0;
double firstEndAt = 0;
unsigned long long pages = 0;
double pageStartedAt = 0;
double inPages = 0;      // from StartPage's return to EndPage's call: layout and drawing
double inPageCalls = 0;  // inside StartPage and EndPage: the driver

BOOL WINAPI DefaultPrinter(PRINTDLGA* request) {
    request->Flags |= PD_RETURNDEFAULT;
    BOOL chosen = PrintDlgA(request);
    okAt = Now();
    return chosen;
}

int WINAPI TimedStartPage(HDC dc) {
    double t = Now();
    if (pages++ == 0)
        firstStartAt = t;
    int result = StartPage(dc);
    pageStartedAt = Now();
    inPageCalls += pageStartedAt - t;
    return result;
}

int WINAPI TimedEndPage(HDC dc) {
    double t = Now();
    inPages += t - pageStartedAt;
    int result = EndPage(dc);
    double end = Now();
    inPageCalls += end - t;
    if (firstEndAt == 0)
        firstEndAt = end;
    return result;
}

// The process's GDI objects. Wine's GetGuiResources always answers 0; there a handle
// whose upper half is 0 names the live object in that slot of the process's handle
// table, so the slots are counted instead (on Windows such handles name nothing).
DWORD GdiObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0)
        return count;
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0)
            ++count;
    }
    return count;
}

}  // namespace

void BenchOutput(const char* saveFolder, bool print) {
    HWND owner = GetParent(ListingPane);

    savePath = std::string(saveFolder) + "\\kelvora-bench-listing.rtf";
    UseSaveCalls(SaveHere, KeepMessage);
    double t = Now();
    SaveListing(owner);
    Print("save_ms", Now() - t);
    UseSaveCalls(nullptr, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA saved = {};
    if (GetFileAttributesExA(savePath.c_str(), GetFileExInfoStandard, &saved))
        PrintCount("save_bytes", saved.nFileSizeLow);
    if (!saveMessage.empty())
        std::fprintf(stderr, "save: %s\n", saveMessage.c_str());
    DeleteFileA(savePath.c_str());
    if (!print)
        return;

    UsePrintDialog(DefaultPrinter);
    UsePageCalls(TimedStartPage, TimedEndPage);
    DWORD before = GdiObjects();
    PrintListing(owner);
    double done = Now();
    DWORD after = GdiObjects();
    UsePageCalls(nullptr, nullptr);
    UsePrintDialog(nullptr);
    if (pages == 0) {
        std::fprintf(stderr, "print: no page was started (is there a default printer?)\n");
        return;
    }
    Print("print_ms", done - okAt);
    Print("print_first_page_ms", firstStartAt - okAt);
    Print("print_first_page_end_ms", firstEndAt - okAt);
    Print("print_in_pages_ms", inPages);
    Print("print_page_calls_ms", inPageCalls);
    PrintCount("print_pages", pages);
    PrintCount("gdi_objects_before_print", before);
    PrintCount("gdi_objects_after_print", after);
}

#include "support/panes.h"

#include <gtest/gtest.h>

#include <richedit.h>

#include <sstream>

#include "listing/listing_generator.h"
#include "listing/listing_pane.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TestPanes::TestPanes() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoraTestPanes";
        RegisterClassA(&wc);
        registered = true;
    }
    window_ = CreateWindowExA(0, "KelvoraTestPanes", "test panes", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                              600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    CreateTreePane(window_, 200, 560);
    ListingPane = CreateListingPane(window_, 203, 0, 580, 560);
    RootNode = TreeInsert(TreePane, TVI_ROOT, TVI_LAST, "My Computer", ComputerRoot, ComputerRoot);
}

TestPanes::~TestPanes() {
    DestroyWindow(window_);
    TreePane = nullptr;
    ListingPane = nullptr;
    RootNode = nullptr;
}

std::string NodeText(HTREEITEM node) {
    char text[1024];
    TreeGetText(TreePane, node, text, sizeof text);
    return text;
}

HTREEITEM FindChild(HTREEITEM parent, const std::string& name) {
    for (HTREEITEM child = TreeFirstChild(TreePane, parent); child;
         child = TreeNextSibling(TreePane, child)) {
        if (NodeText(child) == name)
            return child;
    }
    return nullptr;
}

std::vector<std::string> ChildTexts(HTREEITEM parent) {
    std::vector<std::string> texts;
    for (HTREEITEM child = TreeFirstChild(TreePane, parent); child;
         child = TreeNextSibling(TreePane, child)) {
        texts.push_back(NodeText(child));
    }
    return texts;
}

HTREEITEM AddPathNodes(const std::string& path) {
    std::string drive = path.substr(0, 3);  // "Z:\"
    HTREEITEM at = FindChild(RootNode, drive);
    if (!at)
        at = TreeInsert(TreePane, RootNode, TVI_LAST, drive.c_str(), FixedDrive, FixedDrive);
    std::stringstream parts(path.substr(3));
    std::string part;
    while (std::getline(parts, part, '\\')) {
        if (part.empty())
            continue;
        HTREEITEM child = FindChild(at, part);
        if (!child)
            child = TreeInsert(TreePane, at, TVI_SORT, part.c_str(), FolderClosed, FolderOpen);
        at = child;
    }
    return at;
}

std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

static std::wstring PaneWide(HWND pane) {
    GETTEXTLENGTHEX lengthRequest = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT length =
        SendMessageW(pane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthRequest), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    request.flags = GT_DEFAULT;
    request.codepage = 1200;
    LRESULT got = SendMessageW(pane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                               reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string DrawnPixels(HWND window, const RECT& rect) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(window);
    std::string pixels;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            pixels += GetRValue(c) + GetGValue(c) + GetBValue(c) < 384 ? '#' : '.';
        }
        pixels += '\n';
    }
    ReleaseDC(window, dc);
    return pixels;
}

RECT PaneCharCell(HWND pane, LONG index) {
    POINTL at = {}, next = {}, below = {};
    SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), index);
    SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&next), index + 1);
    const LRESULT line = SendMessageA(pane, EM_EXLINEFROMCHAR, 0, index);
    const LRESULT start = SendMessageA(pane, EM_LINEINDEX, line + 1, 0);
    SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&below), start);
    return RECT{at.x, at.y, next.x, below.y};
}

std::string PaneText(HWND pane) {
    return Utf8(PaneWide(pane));
}

std::vector<Paragraph> ReadParagraphs(HWND pane) {
    std::wstring text = PaneWide(pane);
    std::vector<Paragraph> paragraphs;
    if (text.empty())
        return paragraphs;
    CHARRANGE saved;
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\r', start);
        size_t stop = end == std::wstring::npos ? text.size() : end;
        Paragraph p;
        p.text = Utf8(text.substr(start, stop - start));
        LONG from = static_cast<LONG>(start);
        LONG to = static_cast<LONG>(stop);
        if (to == from)
            to = from + 1;  // an empty paragraph: its break carries the format
        CHARRANGE range = {from, to};
        SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMATA format = {};
        format.cbSize = sizeof format;
        SendMessageA(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        p.bold = (format.dwEffects & CFE_BOLD) != 0;
        p.italic = (format.dwEffects & CFE_ITALIC) != 0;
        p.face = format.szFaceName;
        p.height = format.yHeight;
        p.colour = format.crTextColor;
        paragraphs.push_back(p);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return paragraphs;
}

std::vector<std::string> FilesInSearchOrder(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

namespace {

BOOL CALLBACK CloseDialogBox(HWND window, LPARAM) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && lstrcmpA(name, "#32770") == 0) {
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

constexpr int kModalTicks = 600;  // of 50 ms: 30 s
std::function<bool()> modalAction;
int modalTicks = 0;

void CALLBACK RunModalAction(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!modalAction || modalAction() || ++modalTicks > kModalTicks) {
        KillTimer(nullptr, timer);
        if (modalAction && modalTicks > kModalTicks) {
            ADD_FAILURE() << "gave up waiting for the menu or dialog box the test acts in";
            EndMenu();
            EnumThreadWindows(GetCurrentThreadId(), CloseDialogBox, 0);
        }
        modalAction = nullptr;
    }
}

}  // namespace

void WhileModal(std::function<bool()> action) {
    modalAction = std::move(action);
    modalTicks = 0;
    SetTimer(nullptr, 0, 50, RunModalAction);
}

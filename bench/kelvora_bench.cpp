// Times Kelvora's main job on a folder tree made by bench/make_tree.py, with the real
// tree view and Rich Edit pane in a hidden window, and prints one "name=value" line
// per figure for bench/run.sh to gather. Each call is one process:
//
//   kelvora_bench tree TOP [--no-warm]
//                                walk floor, MarkSubtree of TOP from an unread node,
//                                listing floor, RegenerateListing cold and warm (not
//                                with --no-warm), the pane's own cost, and the peer
//                                (cmd's dir /s /b)
//   kelvora_bench window TOP [--no-print]
//                                the real main window, shown, driven by the folder
//                                menu's commands on TOP: MarkSubtree, the cold and
//                                warm rebuilds, Save As and the print (not with
//                                --no-print), UnList and List Sub-Folders; and per
//                                step the longest time the window left the system
//                                unanswered
//   kelvora_bench output TOP [SAVE_FOLDER]
//                                the listing of TOP as in tree, then its Save As into
//                                SAVE_FOLDER (the temporary folder by default) and
//                                its print on the default printer (bench/output_bench.h)
//   kelvora_bench wide FOLDER... reads each FOLDER (BuildNodePath + PopulateNode)
//                                under one parent, and its floor
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <atomic>
#include <vector>

#include "base/bounded_text.h"
#include "base/long_work.h"
#include "bench/bench_figures.h"
#include "bench/output_bench.h"
#include "listing/listing_generator.h"
#include "listing/listing_options.h"
#include "listing/listing_pane.h"
#include "listing/listing_text.h"
#include "listing/text_styles.h"
#include "resources/resource_ids.h"
#include "settings/current_filter.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"
#include "tree/tree_marks.h"

namespace {

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

// Starts a new peak for the working set (Linux keeps it as the process's high-water
// mark, which Wine reports as PeakWorkingSetSize). False where that cannot be done.
bool ResetPeak() {
    HANDLE file = CreateFileA("Z:\\proc\\self\\clear_refs", GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, "5", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    return ok;
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The program's two panes in a hidden window, as the main window makes them.
HWND MakePanes() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BenchWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelvoraBench";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "KelvoraBench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    FontDialogGate = 0;
    SetUpTextStyles(window);
    CreateTreePane(window, 200, 560);
    TreeImages = ImageList_Create(16, 16, ILC_COLOR16, 9, 10);
    HBITMAP strip = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TREE_IMAGES));
    ImageList_Add(TreeImages, strip, nullptr);
    DeleteObject(strip);
    SendMessageA(TreePane, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(TreeImages));
    ListingPane = CreateWindowExA(0, "RICHEDIT20A", "", kListingPaneStyle, 203, 0, 580, 560, window,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    RootNode = TreeInsert(TreePane, TVI_ROOT, TVI_LAST, "My Computer", ComputerRoot, ComputerRoot);
    TreeSetParam(TreePane, RootNode, kNodeRead);
    // Pages in the pane's code and fonts once, so that the memory figures below show
    // what the listing itself takes.
    HWND warmUp = CreateWindowExA(0, "RICHEDIT20A", "", kListingPaneStyle, 203, 0, 580, 560, window,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < 100; ++i) {
        CHARFORMATA format = i % 2 ? FolderStyle.format : ItemStyle.format;
        format.cbSize = sizeof format;
        SendMessageA(warmUp, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        SendMessageA(warmUp, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\rwarm up"));
    }
    DestroyWindow(warmUp);
    ListingOptions = kDefaultListingOptions;
    CopyText(CurrentFilter, sizeof CurrentFilter, "*.mp3");
    return window;
}

// The nodes from the drive down to an absolute folder path, each a child at the end of
// the one before (the parent's own siblings play no part in what is timed).
HTREEITEM AddChain(HTREEITEM under, const std::string& path) {
    HTREEITEM at = under;
    size_t start = 0;
    if (under == RootNode) {
        at = TreeInsert(TreePane, RootNode, TVI_LAST, path.substr(0, 3).c_str(), FixedDrive,
                        FixedDrive);
        start = 3;
    }
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start) {
            at = TreeInsert(TreePane, at, TVI_LAST, path.substr(start, end - start).c_str(),
                            FolderClosed, FolderOpen);
        }
        start = end + 1;
    }
    return at;
}

// The floor: every folder below (and including) top enumerated with the bare search
// calls, "*.*", depth first. Fills folders with the paths in visiting order.
void FloorWalk(const std::string& top, std::vector<std::string>& folders,
               unsigned long long& files) {
    folders.clear();
    files = 0;
    std::vector<std::string> pending = {top};
    WIN32_FIND_DATAA entry;
    while (!pending.empty()) {
        std::string folder = pending.back();
        pending.pop_back();
        folders.push_back(folder);
        HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        size_t mark = pending.size();
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (entry.cFileName[0] != '.')
                    pending.push_back(folder + "\\" + entry.cFileName);
            } else {
                ++files;
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        std::reverse(pending.begin() + static_cast<long>(mark), pending.end());
    }
}

// The listing's floor: each folder searched once with the filter.
unsigned long long FloorList(const std::vector<std::string>& folders) {
    unsigned long long matches = 0;
    WIN32_FIND_DATAA entry;
    for (const std::string& folder : folders) {
        HANDLE search = FindFirstFileA((folder + "\\" + CurrentFilter).c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                ++matches;
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return matches;
}

LONG PaneLength() {
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageA(ListingPane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

std::string PaneTextAnsi() {
    LONG length = PaneLength();
    std::string text(static_cast<size_t>(length) * 4 + 1, '\0');
    GETTEXTEX get = {};
    get.cb = static_cast<DWORD>(text.size());
    get.flags = GT_DEFAULT;
    get.codepage = CP_ACP;
    LRESULT got = SendMessageA(ListingPane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                               reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

// Runs a command line to its end; the time it took, in milliseconds.
double RunCommand(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    double took = Now() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return took;
}

struct Run {
    bool heading;
    std::string text;
};

// The listing's text cut into its runs of one style: headings start with the indent.
std::vector<Run> SplitRuns(const std::string& text) {
    std::vector<Run> runs;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\r', at + 1);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        bool heading = line.compare(0, 5, "\r    ") == 0;
        if (runs.empty() || runs.back().heading != heading)
            runs.push_back({heading, std::string()});
        runs.back().text += line;
        at = end;
    }
    return runs;
}

double WriteRuns(HWND pane, const std::vector<Run>& runs) {
    double t = Now();
    SendMessageA(pane, WM_SETREDRAW, FALSE, 0);
    for (const Run& run : runs) {
        CHARFORMATA format = run.heading ? FolderStyle.format : ItemStyle.format;
        format.cbSize = sizeof format;
        SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        InsertAtCaret(pane, run.text);
    }
    SendMessageA(pane, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(pane, nullptr, TRUE);
    return Now() - t;
}

// The right-click on the unread top folder reads it; "List Folder" and "List
// Sub-Folders" then mark it and everything below.
void MarkTop(const std::string& top) {
    HTREEITEM node = AddChain(RootNode, top);
    CurrentNode = node;
    TreeSelect(TreePane, node);
    BuildNodePath(node);
    PopulateNode(node);
    ListFolder();
    MarkSubtree(true);
}

int TreeBench(const std::string& top, bool warm) {
    HWND window = MakePanes();
    std::vector<std::string> folders;
    unsigned long long files = 0;

    FloorWalk(top, folders, files);  // once to warm the caches, then timed
    double t = Now();
    FloorWalk(top, folders, files);
    Print("floor_walk_ms", Now() - t);
    PrintCount("folders", folders.size());
    PrintCount("files", files);

    t = Now();
    MarkTop(top);
    Print("mark_ms", Now() - t);
    PrintCount("tree_nodes",
               static_cast<unsigned long long>(SendMessageA(TreePane, TVM_GETCOUNT, 0, 0)));

    FloorList(folders);
    t = Now();
    unsigned long long matches = FloorList(folders);
    Print("floor_list_ms", Now() - t);
    PrintCount("matches", matches);

    PROCESS_MEMORY_COUNTERS before = Memory();
    bool peakReset = ResetPeak();
    t = Now();
    RegenerateListing();
    Print("list_cold_ms", Now() - t);
    PROCESS_MEMORY_COUNTERS after = Memory();
    if (warm) {
        t = Now();
        RegenerateListing();
        Print("list_warm_ms", Now() - t);
    }
    LONG chars = PaneLength();
    PrintCount("text_chars", static_cast<unsigned long long>(chars));
    std::string text = PaneTextAnsi();
    PrintCount("text_bytes", text.size());
    PrintCount("ws_before_list", before.WorkingSetSize);
    PrintCount("pagefile_before_list", before.PagefileUsage);
    PrintCount("peak_reset", peakReset ? 1 : 0);
    PrintCount("peak_ws_list", after.PeakWorkingSetSize);
    PrintCount("ws_after_list", after.WorkingSetSize);
    PrintCount("pagefile_after_list", after.PagefileUsage);
    PrintCount("peak_pagefile_list", after.PeakPagefileUsage);

    // The pane's own cost: clearing the listing, as the next regeneration clears it
    // (undoable); then the same runs (heading lines in the folder style, item lines in
    // the item style) written into an empty pane the way the listing writes them, one
    // call per run, with nothing else.
    std::vector<Run> runs = SplitRuns(text);
    PrintCount("runs", runs.size());
    if (warm) {
        t = Now();
        SendMessageA(ListingPane, EM_SETSEL, 0, -1);
        SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
        Print("pane_clear_ms", Now() - t);
    }

    // ... and writing them into a fresh pane, which shows what the pane itself keeps.
    HWND second = CreateWindowExA(0, "RICHEDIT20A", "", kListingPaneStyle, 203, 0, 580, 560, window,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    PROCESS_MEMORY_COUNTERS paneBefore = Memory();
    ResetPeak();
    Print("pane_write_ms", WriteRuns(second, runs));
    PROCESS_MEMORY_COUNTERS paneAfter = Memory();
    PrintCount("ws_before_pane", paneBefore.WorkingSetSize);
    PrintCount("peak_ws_pane", paneAfter.PeakWorkingSetSize);
    PrintCount("pagefile_before_pane", paneBefore.PagefileUsage);
    PrintCount("pagefile_after_pane", paneAfter.PagefileUsage);
    DestroyWindow(second);

    // The peer: the same search with cmd's dir, and cmd's own start-up alone.
    Print("cmd_start_ms", RunCommand("cmd /c exit"));
    Print("peer_ms", RunCommand("cmd /c dir /s /b \"" + top + "\\" + CurrentFilter + "\" > NUL"));

    PROCESS_MEMORY_COUNTERS end = Memory();
    PrintCount("peak_ws_process", end.PeakWorkingSetSize);
    PrintCount("peak_pagefile_process", end.PeakPagefileUsage);
    DestroyWindow(window);
    return 0;
}

// The listing of top, built cold, then saved and printed.
int OutputBench(const std::string& top, const std::string& saveFolder) {
    HWND window = MakePanes();
    MarkTop(top);
    double t = Now();
    RegenerateListing();
    Print("list_cold_ms", Now() - t);
    PrintCount("text_chars", static_cast<unsigned long long>(PaneLength()));
    PrintCount("runs", SplitRuns(PaneTextAnsi()).size());
    BenchOutput(saveFolder.c_str());
    DestroyWindow(window);
    return 0;
}

int WideBench(int count, char** folders) {
    HWND window = MakePanes();
    std::vector<std::string> paths(folders, folders + count);
    unsigned long long files = 0;
    double floor = 0;
    for (int pass = 0; pass < 2; ++pass) {
        floor = 0;
        for (const std::string& path : paths) {
            double t = Now();
            WIN32_FIND_DATAA entry;
            HANDLE search = FindFirstFileA((path + "\\*.*").c_str(), &entry);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                        entry.cFileName[0] != '.')
                        ++files;
                } while (FindNextFileA(search, &entry));
                FindClose(search);
            }
            floor += Now() - t;
        }
    }
    Print("floor_read_ms", floor);
    PrintCount("floor_subfolders", files / 2);

    // All folders under one parent node, as siblings.
    std::string parentPath = paths[0].substr(0, paths[0].rfind('\\'));
    HTREEITEM parent = AddChain(RootNode, parentPath);
    std::vector<HTREEITEM> nodes;
    for (const std::string& path : paths)
        nodes.push_back(AddChain(parent, path.substr(parentPath.size() + 1)));
    unsigned long long read = 0;
    double t = Now();
    for (HTREEITEM node : nodes) {
        BuildNodePath(node);
        PopulateNode(node);
    }
    Print("read_ms", Now() - t);
    for (HTREEITEM node : nodes) {
        for (HTREEITEM child = TreeFirstChild(TreePane, node); child;
             child = TreeNextSibling(TreePane, child))
            ++read;
    }
    PrintCount("subfolders", read);
    DestroyWindow(window);
    return 0;
}

// Handles every waiting message and paints every window that needs it: what a user
// waits for after a command is the window drawn again.
void Settle(HWND window) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

HTREEITEM FindChild(HTREEITEM parent, const std::string& name) {
    char text[kTreeTextCapacity];
    for (HTREEITEM child = TreeFirstChild(TreePane, parent); child != nullptr;
         child = TreeNextSibling(TreePane, child)) {
        TreeGetText(TreePane, child, text, sizeof text);
        if (lstrcmpiA(text, name.c_str()) == 0)
            return child;
    }
    return nullptr;
}

// Times a command given to the real main window, with the painting after it.
double TimeCommand(HWND window, int command) {
    double t = Now();
    DispatchCommand(command);
    Settle(window);
    return Now() - t;
}

// Options' OK, pressed once the dialog is up: the time from the press until the
// rebuild it starts has been painted.
double optionsOkPressed = 0;

void CALLBACK PressOptionsOk(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Options");
    if (dialog == nullptr || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, timer);
    optionsOkPressed = Now();
    PostMessageA(dialog, WM_COMMAND, IDC_OPT_OK, 0);
}

double TimeOptionsOk(HWND window) {
    optionsOkPressed = 0;
    SetTimer(nullptr, 0, 50, PressOptionsOk);
    DispatchCommand(IDC_OPTIONS);
    Settle(window);
    return optionsOkPressed > 0 ? Now() - optionsOkPressed : -1;
}

// The window's answers to the system while the commands run. A second thread sends
// it WM_NULL every 50 ms and times each answer; Windows calls a window that leaves
// such a message unanswered for 5 s "Not Responding". The longest wait is kept per
// step of the bench.
enum Step {
    kMarkStep,
    kColdStep,
    kWarmStep,
    kOptionsStep,
    kOutputStep,
    kUnlistStep,
    kRelistStep,
    kStepCount
};
const char* const kStepNames[kStepCount] = {"mark",   "cold",   "warm",  "options",
                                            "output", "unlist", "relist"};
std::atomic<int> currentStep{-1};
std::atomic<bool> watching{false};
double longestWait[kStepCount] = {};

DWORD WINAPI WatchAnswers(void* window) {
    while (watching) {
        const int step = currentStep;
        const double sent = Now();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(static_cast<HWND>(window), WM_NULL, 0, 0, SMTO_NORMAL, 600000, &answer);
        const double waited = Now() - sent;
        if (step >= 0 && waited > longestWait[step])
            longestWait[step] = waited;
        Sleep(50);
    }
    return 0;
}

// The real main window, shown on the display, driven through the commands a user
// gives: right-click on the unread top folder (it is read), "List Sub-Folders" (the
// walk, then the cold rebuild), "List Folder" on it and Options' OK (rebuilds over the
// full pane), then "UnList Sub-Folders" and "List Sub-Folders" again over the tree already read.
int WindowBench(const std::string& top, bool print) {
    std::vector<std::string> folders;
    unsigned long long files = 0;
    FloorWalk(top, folders, files);
    double t = Now();
    FloorWalk(top, folders, files);
    Print("floor_walk_ms", Now() - t);
    PrintCount("folders", folders.size());
    PrintCount("files", files);
    CopyText(CurrentFilter, sizeof CurrentFilter, "*.mp3");  // as the program starts
    FloorList(folders);
    t = Now();
    PrintCount("matches", FloorList(folders));
    Print("floor_list_ms", Now() - t);

    // The program starts in a folder of its own, where it makes its settings file.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string startFolder = std::string(temp) + "kelvora-bench-start";
    CreateDirectoryA(startFolder.c_str(), nullptr);
    SetCurrentDirectoryA(startFolder.c_str());
    HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
    if (window == nullptr)
        return 1;
    Settle(window);
    // The folders from the drive down to top's parent, read as a user opening them.
    HTREEITEM node = FindChild(RootNode, top.substr(0, 3));
    for (size_t start = 3; node != nullptr && start < top.size();) {
        size_t end = top.find('\\', start);
        if (end == std::string::npos)
            end = top.size();
        BuildNodePath(node);
        PopulateNode(node);
        node = FindChild(node, top.substr(start, end - start));
        start = end + 1;
    }
    if (node == nullptr)
        return 1;
    CurrentNode = node;
    TreeSelect(TreePane, node);
    Settle(window);

    watching = true;
    HANDLE watcher = CreateThread(nullptr, 0, WatchAnswers, window, 0, nullptr);
    currentStep = kMarkStep;
    t = Now();
    {
        LongWork work;
        MarkSubtree(true);
    }
    Settle(window);
    Print("mark_ms", Now() - t);
    PrintCount("tree_nodes",
               static_cast<unsigned long long>(SendMessageA(TreePane, TVM_GETCOUNT, 0, 0)));
    PROCESS_MEMORY_COUNTERS before = Memory();
    bool peakReset = ResetPeak();
    currentStep = kColdStep;
    t = Now();
    {
        LongWork work;
        RegenerateListing();
    }
    Settle(window);
    Print("list_cold_ms", Now() - t);
    PROCESS_MEMORY_COUNTERS after = Memory();
    PrintCount("text_chars", static_cast<unsigned long long>(PaneLength()));
    PrintCount("streamed", LastListingWasStreamed() ? 1 : 0);
    currentStep = kWarmStep;
    Print("list_warm_ms", TimeCommand(window, IDC_LIST_FOLDER));
    currentStep = kOptionsStep;
    Print("options_ok_ms", TimeOptionsOk(window));
    PROCESS_MEMORY_COUNTERS warm = Memory();
    PrintCount("ws_before_list", before.WorkingSetSize);
    PrintCount("peak_reset", peakReset ? 1 : 0);
    PrintCount("peak_ws_list", after.PeakWorkingSetSize);
    PrintCount("peak_ws_warm", warm.PeakWorkingSetSize);
    PrintCount("ws_after_warm", warm.WorkingSetSize);
    currentStep = kOutputStep;
    BenchOutput(temp, print);
    Settle(window);
    currentStep = kUnlistStep;
    Print("unlist_subfolders_ms", TimeCommand(window, IDC_UNLIST_SUBFOLDERS));
    currentStep = kRelistStep;
    Print("list_subfolders_ms", TimeCommand(window, IDC_LIST_SUBFOLDERS));
    watching = false;
    MSG msg;
    while (MsgWaitForMultipleObjects(1, &watcher, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0)
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // answers the watcher's last message
    CloseHandle(watcher);
    for (int step = 0; step < kStepCount; ++step) {
        const std::string name = std::string("unanswered_") + kStepNames[step] + "_ms";
        Print(name.c_str(), longestWait[step]);
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitCommonControls();
    HMODULE richEdit = LoadLibraryA("RichEd20.dll");
    int result = 2;
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "tree") == 0) {
        result = TreeBench(argv[2], argc == 3 || std::strcmp(argv[3], "--no-warm") != 0);
    } else if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "window") == 0) {
        result = WindowBench(argv[2], argc == 3 || std::strcmp(argv[3], "--no-print") != 0);
    } else if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "output") == 0) {
        char temp[MAX_PATH] = ".";
        GetTempPathA(sizeof temp, temp);
        result = OutputBench(argv[2], argc == 4 ? argv[3] : temp);
    } else if (argc >= 3 && std::strcmp(argv[1], "wide") == 0) {
        result = WideBench(argc - 2, argv + 2);
    } else {
        std::fprintf(
            stderr,
            "usage: kelvora_bench tree TOP [--no-warm] | window TOP [--no-print] | output TOP "
            "[SAVE_FOLDER] | wide FOLDER...\n");
    }
    if (richEdit)
        FreeLibrary(richEdit);
    return result;
}

#include "tests/output/output_support.h"

#include "support/panes.h"

#include <richedit.h>

#include <sstream>

#include "listing/text_styles.h"
#include "support/temp_folder.h"

void WriteListing(HWND pane, const std::vector<ListingLine>& lines) {
    SetWindowTextA(pane, "");
    CHARFORMATA heading = FolderStyle.format;
    heading.crTextColor = kHeadingColour;
    CHARFORMATA item = ItemStyle.format;
    item.crTextColor = kItemColour;
    SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&item));
    for (const ListingLine& line : lines) {
        CHARFORMATA& format = line.heading ? heading : item;
        SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        std::string text = "\r" + std::string(line.heading ? "    " : "") + line.text;
        SendMessageA(pane, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SetSelection(pane, 0, 0);
}

std::vector<ListingLine> MakeListing(int folders, int items) {
    std::vector<ListingLine> lines;
    for (int f = 1; f <= folders; ++f) {
        lines.push_back({true, "Folder " + std::to_string(f)});
        for (int i = 1; i <= items; ++i) {
            std::string id = std::to_string(f) + "." + std::to_string(i);
            lines.push_back({false, "item " + id + " track" + id + ".mp3"});
        }
    }
    return lines;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

std::vector<std::string> Words(const std::vector<ListingLine>& lines) {
    std::vector<std::string> words;
    for (const ListingLine& line : lines) {
        for (std::string& w : Words(line.text))
            words.push_back(w);
    }
    return words;
}

CHARRANGE Selection(HWND pane) {
    CHARRANGE range;
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

void SetSelection(HWND pane, LONG from, LONG to) {
    CHARRANGE range = {from, to};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

std::string LinuxPath(const std::string& windowsPath) {
    std::string path = windowsPath.substr(2);  // drop "Z:"
    for (char& c : path)
        c = c == '\\' ? '/' : c;
    return path;
}

std::string WindowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunLinux(const std::string& script, std::string* output) {
    // Wine starts a native program without a process handle to wait on: the script
    // leaves its exit code in a file when it is done.
    static int counter = 0;
    std::string base = "Z:\\tmp\\kelvora-linux-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++counter);
    std::string out = Quote(LinuxPath(base + ".out"));
    std::string code = LinuxPath(base + ".code");
    WriteWholeFile(base + ".sh", "(\n" + script + "\n) >" + out + " 2>&1 </dev/null\necho $? >" +
                                     Quote(code + ".part") + "\nmv " + Quote(code + ".part") + " " +
                                     Quote(code) + "\n");
    std::string command = "/bin/sh " + LinuxPath(base + ".sh");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    int result = -1;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        for (int i = 0; i < 1200 && result < 0; ++i) {
            std::string text = ReadWholeFile(base + ".code");
            if (!text.empty()) {
                result = atoi(text.c_str());
            } else {
                Sleep(50);
            }
        }
    }
    if (output)
        *output = ReadWholeFile(base + ".out");
    for (const char* ending : {".sh", ".out", ".code"})
        DeleteFileA((base + ending).c_str());
    return result;
}

std::string FolderFromEnvironment(const char* name) {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return "";
    return WindowsPath(value);
}

namespace {

BOOL CALLBACK MatchCaption(HWND window, LPARAM found) {
    char text[256];
    GetWindowTextA(window, text, sizeof text);
    auto* match = reinterpret_cast<std::pair<const char*, HWND>*>(found);
    if (IsWindowVisible(window) && lstrcmpA(text, match->first) == 0) {
        match->second = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDialog(const char* caption) {
    std::pair<const char*, HWND> match(caption, nullptr);
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&match));
    return match.second;
}

std::string ChildTexts(HWND window) {
    std::string texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[1024];
        GetWindowTextA(child, text, sizeof text);
        texts += std::string(text) + "|";
    }
    return texts;
}

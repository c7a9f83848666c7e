#include "base/long_work.h"

#include <windows.h>

#include <string>

namespace {

// Work shorter than this shows nothing; after it, the window is looked after about
// ten times a second.
DWORD delayMs = 500;
DWORD intervalMs = 100;
// Paint messages dispatched per look at most: a window that never validates itself
// must not keep the work waiting.
constexpr int kPaintsPerLook = 64;

// The window whose title bar shows the progress, and its title at rest.
HWND progressWindow = nullptr;
const char* restTitle = "";

int depth = 0;
DWORD started = 0;
DWORD lastLook = 0;
bool titleChanged = false;

// 12345 as "12,345".
std::string Grouped(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string Fill(const char* format, long long first, long long second) {
    std::string out;
    int used = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += Grouped(used++ == 0 ? first : second);
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// Lets the system see the thread alive and the windows paint, without taking any
// input off the queue: only sent messages are handled (every peek does that) and
// paint messages dispatched.
void LookAfterWindows() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
    for (int i = 0; i < kPaintsPerLook; ++i) {
        if (!PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_NOYIELD))
            break;
        DispatchMessageA(&msg);
    }
}

}  // namespace

LongWork::LongWork() {
    if (depth++ == 0) {
        started = GetTickCount();
        lastLook = started;
        titleChanged = false;
    }
}

LongWork::~LongWork() {
    if (--depth == 0 && titleChanged) {
        if (progressWindow != nullptr)
            SetWindowTextA(progressWindow, restTitle);
        titleChanged = false;
    }
}

void LongWorkProgress(const char* format, long long first, long long second) {
    if (depth == 0)
        return;
    const DWORD now = GetTickCount();
    if (now - started < delayMs || (now - lastLook < intervalMs && titleChanged))
        return;
    lastLook = now;
    if (progressWindow != nullptr) {
        std::string title = std::string(restTitle) + " - " + Fill(format, first, second);
        SetWindowTextA(progressWindow, title.c_str());
        titleChanged = true;
    }
    LookAfterWindows();
}

void ShowLongWorkIn(HWND window, const char* title) {
    progressWindow = window;
    restTitle = title != nullptr ? title : "";
}

void SetLongWorkDelay(unsigned ms) {
    delayMs = ms;
    intervalMs = ms < 100 ? ms : 100;
}

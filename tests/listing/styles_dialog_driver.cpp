#include "styles_dialog_driver.h"

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

DialogDriver* activeDriver = nullptr;

struct Search {
    const std::vector<HWND>* skip;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    if (std::find(search->skip->begin(), search->skip->end(), window) != search->skip->end())
        return TRUE;
    search->found = window;
    return FALSE;
}

std::string Text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The colour dialog's red, green and blue boxes.
const int kRgbBoxes[3] = {0x2c2, 0x2c3, 0x2c4};
// Its "Add to Custom Colors" button and the area of the custom colour boxes.
const int kAddToCustom = 0x2c8;
const int kCustomArea = 0x2d1;

}  // namespace

DialogDriver::DialogDriver() : timer_(SetTimer(nullptr, 0, 25, Tick)) {
    activeDriver = this;
}

DialogDriver::~DialogDriver() {
    KillTimer(nullptr, timer_);
    activeDriver = nullptr;
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted dialog(s) never showed";
}

std::vector<std::string> DialogDriver::Captions() const {
    std::vector<std::string> captions;
    for (const Shown& s : shown_)
        captions.push_back(s.caption);
    return captions;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!activeDriver)
        return;
    Search search = {&activeDriver->handled_, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found)
        activeDriver->Handle(search.found);
}

void DialogDriver::Handle(HWND dialog) {
    handled_.push_back(dialog);
    shown_.push_back({Text(dialog), GetWindow(dialog, GW_OWNER)});
    if (steps_.empty()) {
        Press(dialog, IDCANCEL);
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(dialog);
    if (IsWindowVisible(dialog) && IsWindowEnabled(dialog)) {
        ADD_FAILURE() << "the step left the dialog \"" << Text(dialog) << "\" open";
        Press(dialog, IDCANCEL);
    }
}

FontChoice ReadFontChoice(HWND dialog) {
    return {Text(GetDlgItem(dialog, cmb1)), Text(GetDlgItem(dialog, cmb2)),
            Text(GetDlgItem(dialog, cmb3))};
}

void MakeFontChoice(HWND dialog, const FontChoice& choice) {
    const std::pair<int, const std::string*> boxes[] = {
        {cmb1, &choice.face}, {cmb2, &choice.style}, {cmb3, &choice.size}};
    for (const auto& box : boxes) {
        HWND combo = GetDlgItem(dialog, box.first);
        LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(box.second->c_str()));
        if (index == CB_ERR) {
            ADD_FAILURE() << "the font dialog offers no \"" << *box.second << "\"";
            continue;
        }
        SendMessageA(combo, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(box.first, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
}

COLORREF ReadRgbBoxes(HWND dialog) {
    int parts[3];
    for (int i = 0; i < 3; ++i)
        parts[i] = std::atoi(Text(GetDlgItem(dialog, kRgbBoxes[i])).c_str());
    return RGB(parts[0], parts[1], parts[2]);
}

void TypeRgb(HWND dialog, COLORREF colour) {
    const int parts[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    for (int i = 0; i < 3; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", parts[i]);
        SetDlgItemTextA(dialog, kRgbBoxes[i], text);
    }
}

void AddToCustomColours(HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, kAddToCustom, 0);
}

void ClickFirstCustomColour(HWND dialog) {
    RECT area;
    GetWindowRect(GetDlgItem(dialog, kCustomArea), &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    LPARAM at = MAKELPARAM(area.left + 4, area.top + 4);
    SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(dialog, WM_LBUTTONUP, 0, at);
}

void Press(HWND dialog, int button) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

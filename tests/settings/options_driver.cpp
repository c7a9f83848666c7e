#include "settings/options_driver.h"

#include <gtest/gtest.h>

#include "base/hot_keys.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kTextIdInBox = 0xFFFF;  // the static control that holds a box's text
constexpr int kGiveUpTicks = 100;     // about a second after the script has finished

OptionsDriver* Current = nullptr;

std::string WindowText(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool IsDialogClass(HWND window) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

struct Found {
    HWND options = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK Look(HWND window, LPARAM param) {
    Found* found = reinterpret_cast<Found*>(param);
    if (!IsWindowVisible(window) || !IsDialogClass(window))
        return TRUE;
    if (GetDlgItem(window, IDC_OPT_EXTENSIONS) != nullptr) {
        if (WindowText(window) == "Options")
            found->options = window;
    } else if (IsWindowEnabled(window)) {
        found->box = window;
    }
    return TRUE;
}

Found LookAround() {
    Found found;
    EnumThreadWindows(GetCurrentThreadId(), Look, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FilterBox(HWND dialog) {
    return GetDlgItem(dialog, IDC_OPT_EXTENSIONS);
}

HWND EditField(HWND dialog) {
    return FindWindowExA(FilterBox(dialog), nullptr, "Edit", nullptr);
}

}  // namespace

OptionsDriver::OptionsDriver()
    : probe_(CreateWindowExA(0, "STATIC", "hot key probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr)) {}

OptionsDriver::~OptionsDriver() {
    DestroyWindow(probe_);
}

bool OptionsDriver::Free(int id, UINT key) const {
    if (!RegisterHotKey(probe_, id, 0, key))
        return false;
    UnregisterHotKey(probe_, id);
    return true;
}

bool OptionsDriver::EscapeHeld() const {
    return !Free(kHotKeyEscape, VK_ESCAPE);
}

bool OptionsDriver::EnterHeld() const {
    return !Free(kHotKeyEnter, VK_RETURN);
}

void OptionsDriver::Run(const std::function<void()>& open,
                        const std::function<void(HWND)>& script) {
    script_ = script;
    scriptRan = false;
    Drive(open);
    EXPECT_TRUE(scriptRan) << "the dialog did not come up";
}

void OptionsDriver::AnswerBoxesWhile(const std::function<void()>& act) {
    script_ = nullptr;
    scriptRan = true;  // no script to run on a dialog
    Drive(act);
}

void OptionsDriver::Drive(const std::function<void()>& act) {
    running_ = false;
    ticksAfterScript_ = 0;
    Current = this;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    ASSERT_NE(timer, 0u);
    act();
    KillTimer(nullptr, timer);
    Current = nullptr;
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " answers left over";
    answers_.clear();
}

void CALLBACK OptionsDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (Current != nullptr)
        Current->OnTick();
}

void OptionsDriver::OnTick() {
    Found found = LookAround();
    if (found.box != nullptr) {
        if (found.box == answered_)
            return;  // pressed already, not yet gone
        SeenBox seen;
        seen.caption = WindowText(found.box);
        seen.text = WindowText(GetDlgItem(found.box, kTextIdInBox));
        seen.owner = GetWindow(found.box, GW_OWNER);
        seen.hotKeysFree = !EscapeHeld() && !EnterHeld();
        boxes.push_back(seen);
        int button = GetDlgItem(found.box, IDCANCEL) ? IDCANCEL : IDOK;
        if (!answers_.empty()) {
            button = answers_.front();
            answers_.pop_front();
        }
        answered_ = found.box;
        PostMessageA(found.box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(found.box, button)));
        return;
    }
    answered_ = nullptr;
    if (running_ || found.options == nullptr)
        return;
    if (scriptRan) {
        if (++ticksAfterScript_ == kGiveUpTicks) {
            ADD_FAILURE() << "the script left the dialog open";
            PostMessageA(found.options, WM_CLOSE, 0, 0);
        }
        return;
    }
    running_ = true;
    script_(found.options);
    running_ = false;
    scriptRan = true;
}

HWND FindOptionsDialog() {
    return LookAround().options;
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool Checked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> Items(HWND dialog) {
    std::vector<std::string> items;
    LRESULT count = SendMessageA(FilterBox(dialog), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::vector<char> text(SendMessageA(FilterBox(dialog), CB_GETLBTEXTLEN, i, 0) + 1);
        SendMessageA(FilterBox(dialog), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items.emplace_back(text.data());
    }
    return items;
}

int Selected(HWND dialog) {
    return static_cast<int>(SendMessageA(FilterBox(dialog), CB_GETCURSEL, 0, 0));
}

std::string EditText(HWND dialog) {
    return WindowText(FilterBox(dialog));
}

void Pick(HWND dialog, int index) {
    SendMessageA(FilterBox(dialog), CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_EXTENSIONS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(FilterBox(dialog)));
}

void Type(HWND dialog, const std::string& chars) {
    // Each character as the keyboard gives it, whole: UTF-8 text is typed as UTF-16.
    int length =
        MultiByteToWideChar(CP_UTF8, 0, chars.data(), static_cast<int>(chars.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, chars.data(), static_cast<int>(chars.size()), &wide[0], length);
    for (wchar_t c : wide)
        SendMessageW(EditField(dialog), WM_CHAR, c, 1);
}

void Retype(HWND dialog, const std::string& text) {
    SendMessageA(EditField(dialog), EM_SETSEL, 0, -1);
    Type(dialog, text);
}

void SetTyped(HWND dialog, const std::string& text) {
    SetWindowTextA(FilterBox(dialog), text.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_EXTENSIONS, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(FilterBox(dialog)));
}

void HotKey(HWND dialog, int id) {
    SendMessageA(dialog, WM_HOTKEY, id, MAKELPARAM(0, id == kHotKeyEscape ? VK_ESCAPE : VK_RETURN));
}

// Drives the real Options dialog from inside its own modal loop: a thread timer finds
// the dialog by its caption "Options", runs a test script on it once, and answers every
// message box that comes up (owned by the dialog or not) by pressing a button, noting
// what the box said and whether Esc and Enter were free while it was up.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner;
    bool hotKeysFree;  // Esc and Enter could both be registered by another window
};

class OptionsDriver {
public:
    OptionsDriver();
    ~OptionsDriver();
    OptionsDriver(const OptionsDriver&) = delete;
    OptionsDriver& operator=(const OptionsDriver&) = delete;

    // The button to press in the next box (IDOK, IDCANCEL). A box with no answer queued
    // gets "Cancel" when it has one, else "OK".
    void Answer(int button) { answers_.push_back(button); }

    // Calls open(), which runs the dialog modally, and the script with the dialog once
    // it is up. The script may click controls; boxes are answered meanwhile. A dialog
    // the script leaves open is closed, and the test fails.
    void Run(const std::function<void()>& open, const std::function<void(HWND)>& script);
    // Calls act() and answers every box that comes up meanwhile; no dialog is expected.
    void AnswerBoxesWhile(const std::function<void()>& act);

    // Whether Esc and Enter are held as hot keys by some window: another window cannot
    // register them.
    bool EscapeHeld() const;
    bool EnterHeld() const;

    std::vector<SeenBox> boxes;  // every box seen, in order
    bool scriptRan = false;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    // Runs act with the timer that answers the message boxes (and runs the script).
    void Drive(const std::function<void()>& act);
    void OnTick();
    bool Free(int id, UINT key) const;

    HWND probe_;
    std::deque<int> answers_;
    std::function<void(HWND)> script_;
    bool running_ = false;
    int ticksAfterScript_ = 0;
    HWND answered_ = nullptr;
};

// The Options dialog (a visible top-level dialog of this thread with the filter box).
HWND FindOptionsDialog();

// Controls of the open dialog.
void Click(HWND dialog, int id);                    // BM_CLICK, as a mouse click
bool Checked(HWND dialog, int id);                  // BM_GETCHECK
std::vector<std::string> Items(HWND dialog);        // the list of the filter box
int Selected(HWND dialog);                          // CB_GETCURSEL
std::string EditText(HWND dialog);                  // the filter box's edit field
void Pick(HWND dialog, int index);                  // a selection from the list
void Type(HWND dialog, const std::string& chars);   // WM_CHAR (UTF-8 text) at the caret
void Retype(HWND dialog, const std::string& text);  // selects the whole field, then types
// Puts a text into the edit field as a paste would, even one wider than the field.
void SetTyped(HWND dialog, const std::string& text);
// Sends the dialog the message a hot key gives (kHotKeyEscape, kHotKeyEnter).
void HotKey(HWND dialog, int id);

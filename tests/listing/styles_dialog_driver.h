// Drives the real font and colour dialogs that code under test opens on this
// thread. A thread timer fires inside the dialog's modal loop; each dialog that
// shows is handed to the next scripted step, which reads and sets its fields and
// presses a button. A dialog with no step left is cancelled, so an unexpected dialog
// never blocks a test; every dialog that showed is recorded.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class DialogDriver {
public:
    using Step = std::function<void(HWND dialog)>;

    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    void Then(Step step) { steps_.push_back(std::move(step)); }

    struct Shown {
        std::string caption;
        HWND owner;
    };
    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> Captions() const;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Handle(HWND dialog);

    UINT_PTR timer_;
    std::deque<Step> steps_;
    std::vector<Shown> shown_;
    std::vector<HWND> handled_;
};

// Font dialog: the face, style and size boxes as they read now, and a choice in each
// (by the exact text of an entry) as the user would make it. The three are given in
// the dialog's own terms: "DejaVu Sans", "Bold Italic", "11".
struct FontChoice {
    std::string face, style, size;
};
FontChoice ReadFontChoice(HWND dialog);
void MakeFontChoice(HWND dialog, const FontChoice& choice);

// Colour dialog: the red, green and blue boxes as they read now, typing into them,
// "Add to Custom Colors" (into the selected custom box, the first one at the start),
// and a click on the first custom colour box.
COLORREF ReadRgbBoxes(HWND dialog);
void TypeRgb(HWND dialog, COLORREF colour);
void AddToCustomColours(HWND dialog);
void ClickFirstCustomColour(HWND dialog);

// Presses a dialog button (IDOK, IDCANCEL).
void Press(HWND dialog, int button);

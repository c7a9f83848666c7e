// The About box as the user meets it: the real dialog from the program's resources,
// clicked, keyed and shown twice, with a stand-in for the shell recording what it
// was asked to open.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "about/about_box.h"
#include "about/shell_open.h"
#include "base/device_context.h"
#include "resources/resource_ids.h"
#include "support/real_input.h"
#include "support/test_dpi.h"

namespace {

std::vector<std::string> opened;

int RecordOpen(const char* target) {
    opened.push_back(target);
    return 42;  // a viewer took it
}

HWND FindAboutBox() {
    struct Search {
        HWND found;
    } search = {nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            char className[32] = "";
            char title[32] = "";
            GetClassNameA(window, className, sizeof className);
            GetWindowTextA(window, title, sizeof title);
            if (std::string(className) == "#32770" && std::string(title) == "About") {
                reinterpret_cast<Search*>(param)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A real left click at a client pixel of the window: the cursor is put on the
// pixel and the button goes down and up there.
void ClickAt(HWND window, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1] = input[0];
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        UseShellOpen(RecordOpen);
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    void TearDown() override {
        UseShellOpen(nullptr);
        DestroyWindow(owner_);
    }

    // Shows the box and, once it is up, does act to it. True when the box closed by
    // itself; a box still open 5 s after act is ended by force and gives false.
    bool Show(std::function<void(HWND)> act) {
        driving_ = this;
        act_ = std::move(act);
        acted_ = false;
        forced_ = false;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
        AboutDialog(owner_);
        KillTimer(nullptr, timer);
        driving_ = nullptr;
        return acted_ && !forced_;
    }

    // Shows the box and has the dialog receive a left click at a client pixel.
    bool ShowAndClick(int x, int y) {
        return Show(
            [x, y](HWND box) { SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); });
    }

    HWND owner_ = nullptr;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        AboutBox* self = driving_;
        HWND box = FindAboutBox();
        if (!self || !box || !IsWindowVisible(box))
            return;
        if (!self->acted_) {
            self->acted_ = true;
            self->actedAt_ = GetTickCount();
            self->act_(box);
        } else if (GetTickCount() - self->actedAt_ > 5000) {
            self->forced_ = true;
            EndDialog(box, 0);
        }
    }

    static AboutBox* driving_;
    std::function<void(HWND)> act_;
    bool acted_ = false;
    bool forced_ = false;
    DWORD actedAt_ = 0;
};

AboutBox* AboutBox::driving_ = nullptr;

const std::vector<std::string> kWebPageOnly = {kMakerWebPage};

// The About picture's width at the test's scale: at 150 % the picture made for it,
// 510 pixels for 340.
int ShownWidth() {
    return TestDpi() == 144 ? 510 : kAboutPictureWidth;
}
// The first and the last client pixel that show a pixel of the 100 % picture.
int First(int pixel) {
    return (pixel * ShownWidth() + kAboutPictureWidth - 1) / kAboutPictureWidth;
}
int Last(int pixel) {
    return First(pixel + 1) - 1;
}

TEST_F(AboutBox, ClickOnTheWebLabelCornersOpensTheWebPageAndCloses) {
    for (POINT at : {POINT{First(109), First(157)}, POINT{Last(216), Last(179)},
                     POINT{First(109), Last(179)}, POINT{Last(216), First(157)}}) {
        opened.clear();
        EXPECT_TRUE(ShowAndClick(at.x, at.y)) << at.x << "," << at.y;
        EXPECT_EQ(opened, kWebPageOnly) << at.x << "," << at.y;
    }
    EXPECT_EQ(std::string(kMakerWebPage).rfind("https://", 0), 0u);
}

TEST_F(AboutBox, ClickJustOutsideTheWebLabelOnlyCloses) {
    for (POINT at : {POINT{Last(108), First(157)}, POINT{First(109), Last(156)},
                     POINT{First(217), Last(179)}, POINT{Last(216), First(180)}}) {
        opened.clear();
        EXPECT_TRUE(ShowAndClick(at.x, at.y)) << at.x << "," << at.y;
        EXPECT_TRUE(opened.empty()) << at.x << "," << at.y;
    }
}

TEST_F(AboutBox, HotKeysCloseWithoutOpeningThePage) {
    for (int id : {kHotKeyEscape, kHotKeyEnter}) {
        EXPECT_TRUE(Show([id](HWND box) {
            PostMessageA(box, WM_HOTKEY, id,
                         MAKELPARAM(0, id == kHotKeyEscape ? VK_ESCAPE : VK_RETURN));
        })) << id;
    }
    // Real key presses reach the box through its hot keys only: the box has no
    // button, so without them Esc and Enter would leave it open.
    for (WORD key : {WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
        EXPECT_TRUE(Show([key](HWND) { PressKey(key); })) << key;
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

// Held only while the box is the active window: while another window is, Esc and Enter
// are that window's keys.
TEST_F(AboutBox, HoldsEscAndEnterOnlyWhileActiveAndWorksTheSameTheSecondTime) {
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10, 10,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    auto taken = [other] {
        bool esc = !RegisterHotKey(other, 1, 0, VK_ESCAPE);
        bool enter = !RegisterHotKey(other, 2, 0, VK_RETURN);
        UnregisterHotKey(other, 1);
        UnregisterHotKey(other, 2);
        return std::to_string(esc) + std::to_string(enter);
    };
    std::string whileActive, whileOtherActive, whileActiveAgain;
    for (int showing = 1; showing <= 2; ++showing) {
        opened.clear();
        EXPECT_TRUE(Show([&](HWND box) {
            whileActive = taken();
            SetForegroundWindow(other);
            whileOtherActive = taken();
            SetForegroundWindow(box);
            whileActiveAgain = taken();
            PressKey(VK_ESCAPE);
        })) << "showing "
            << showing;
        EXPECT_EQ(whileActive, "11") << "showing " << showing;
        EXPECT_EQ(whileOtherActive, "00") << "showing " << showing;
        EXPECT_EQ(whileActiveAgain, "11") << "showing " << showing;
        EXPECT_TRUE(opened.empty());

        // Closed: both keys are free for anyone again.
        EXPECT_TRUE(RegisterHotKey(other, 1, 0, VK_ESCAPE)) << "showing " << showing;
        EXPECT_TRUE(RegisterHotKey(other, 2, 0, VK_RETURN)) << "showing " << showing;
        UnregisterHotKey(other, 1);
        UnregisterHotKey(other, 2);

        opened.clear();
        EXPECT_TRUE(ShowAndClick(First(150), First(170))) << "showing " << showing;
        EXPECT_EQ(opened, kWebPageOnly) << "showing " << showing;
    }
    DestroyWindow(other);
}

// A real mouse click goes through the picture (a static without SS_NOTIFY) to the
// dialog, at client coordinates equal to the picture's pixel coordinates.
WNDPROC dialogProc = nullptr;
std::vector<LPARAM> clicksSeen;

LRESULT CALLBACK WatchClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN)
        clicksSeen.push_back(lParam);
    return CallWindowProcA(dialogProc, window, message, wParam, lParam);
}

TEST_F(AboutBox, RealClicksReachTheDialogAtPicturePixels) {
    struct Case {
        int x, y;
        bool opens;
    };
    for (Case c : {Case{First(200), First(100), false}, Case{First(109), First(157), true},
                   Case{Last(108), First(157), false}, Case{Last(216), Last(179), true},
                   Case{Last(216), First(180), false}}) {
        opened.clear();
        clicksSeen.clear();
        EXPECT_TRUE(Show([c](HWND box) {
            dialogProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchClicks)));
            ClickAt(box, c.x, c.y);
        })) << c.x
            << "," << c.y;
        ASSERT_EQ(clicksSeen.size(), 1u) << c.x << "," << c.y;
        EXPECT_EQ(LOWORD(clicksSeen[0]), c.x);
        EXPECT_EQ(HIWORD(clicksSeen[0]), c.y);
        EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.x << "," << c.y;
    }
}

// Windows sends WM_DPICHANGED when the box moves to a monitor of another scale; under
// Wine every monitor has the one scale, so the message is sent here as Windows would.
TEST_F(AboutBox, AMoveToTwiceTheScaleAndBackRefitsThePictureAndItsLabel) {
    const int dpi = TestDpi();
    auto moveTo = [](HWND box, int to) {
        RECT r;
        GetWindowRect(box, &r);
        SendMessageA(box, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&r));
    };
    auto clientOf = [](HWND box) {
        RECT picture, client;
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_PICTURE), &picture);
        GetClientRect(box, &client);
        return std::vector<LONG>{picture.right - picture.left, picture.bottom - picture.top,
                                 client.right, client.bottom};
    };
    // At twice the scale: the picture twice as large, the label where it is drawn.
    const int twice = 2 * ShownWidth();
    const int labelX = (109 * twice + kAboutPictureWidth - 1) / kAboutPictureWidth;
    const int labelY = (157 * twice + kAboutPictureWidth - 1) / kAboutPictureWidth;
    std::vector<LONG> large;
    EXPECT_TRUE(Show([&](HWND box) {
        moveTo(box, 2 * dpi);
        large = clientOf(box);
        SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(labelX - 1, labelY));
    }));
    // (at 288 DPI the 100 % picture three times, 1020 x 765)
    const LONG twiceHeight = twice * 255 / kAboutPictureWidth;
    EXPECT_EQ(large, (std::vector<LONG>{twice, twiceHeight, twice, twiceHeight}));
    EXPECT_TRUE(opened.empty()) << "one pixel left of the label";
    EXPECT_TRUE(ShowAndClick(0, 0));
    opened.clear();
    EXPECT_TRUE(Show([&](HWND box) {
        moveTo(box, 2 * dpi);
        SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(labelX, labelY));
    }));
    EXPECT_EQ(opened, kWebPageOnly);
    // And back: the picture of the scale it started at, the box its size.
    std::vector<LONG> back;
    EXPECT_TRUE(Show([&](HWND box) {
        moveTo(box, 2 * dpi);
        moveTo(box, dpi);
        back = clientOf(box);
        SendMessageA(box, WM_CLOSE, 0, 0);
    }));
    const LONG height = dpi == 144 ? 383 : 255;
    EXPECT_EQ(back, (std::vector<LONG>{ShownWidth(), height, ShownWidth(), height}));
}

TEST_F(AboutBox, PictureFillsTheBoxAtItsOrigin) {
    RECT picture = {};
    RECT client = {};
    char face[LF_FACESIZE] = "";
    EXPECT_TRUE(Show([&](HWND box) {
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_PICTURE), &picture);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&picture), 2);
        GetClientRect(box, &client);
        {
            WindowDc dc(box);
            HGDIOBJ previous = SelectObject(
                dc.get(), reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
            GetTextFaceA(dc.get(), sizeof face, face);
            SelectObject(dc.get(), previous);
        }
        SendMessageA(box, WM_CLOSE, 0, 0);
    }));
    EXPECT_EQ(picture.left, 0);
    EXPECT_EQ(picture.top, 0);
    EXPECT_EQ(picture.right - picture.left, ShownWidth());
    EXPECT_EQ(picture.bottom - picture.top, TestDpi() == 144 ? 383 : 255);
    // The whole picture, and so the whole web-site label, lies inside the box.
    EXPECT_GE(client.right, picture.right);
    EXPECT_GE(client.bottom, picture.bottom);
    // With MS Sans Serif 8 (dialog units of 6 x 13 pixels) the box is the picture
    // with a margin of two pixels. The test prefix has Wine's own fonts
    // (tools/wine/add-fonts.sh); without them a wider face stands in, the box grows to
    // the right and the caption buttons, drawn with Marlett, show letters. At another
    // scale the box is made the picture's size.
    EXPECT_STREQ(face, "MS Sans Serif");
    EXPECT_EQ(client.right, TestDpi() == 144 ? 510 : 342);
    EXPECT_EQ(client.bottom, TestDpi() == 144 ? 383 : 257);
    WindowDc screen(nullptr);
    HFONT marlett =
        CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
    HGDIOBJ previous = SelectObject(screen.get(), marlett);
    GetTextFaceA(screen.get(), sizeof face, face);
    SelectObject(screen.get(), previous);
    DeleteObject(marlett);
    EXPECT_STREQ(face, "Marlett");
}

}  // namespace

// Copy and Cut from the listing pane put exactly the selected text and standard RTF on
// the clipboard, as another process reads them, and Paste in the pane gives the text
// back; the pane's clipboard objects live no longer than the pane and its last copy.
#include <windows.h>
#include <ole2.h>
#include <richedit.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "listing/listing_pane.h"
#include "listing/pane_clipboard.h"
#include "support/panes.h"
#include "support/temp_folder.h"

namespace {

const char kReaderOutput[] = "KELVORA_CLIPBOARD_READER_OUTPUT";

UINT RtfFormat() {
    return RegisterClipboardFormatA("Rich Text Format");
}

// A clipboard format's whole block, as a reader gets it.
std::string Block(UINT format) {
    HANDLE block = GetClipboardData(format);
    if (block == nullptr)
        return std::string();
    const char* at = static_cast<const char*>(GlobalLock(block));
    std::string bytes(at, GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

bool OpenClipboardSoon() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(20);
    }
    return false;
}

void PutRecord(std::string& out, const std::string& bytes) {
    uint32_t size = static_cast<uint32_t>(bytes.size());
    out.append(reinterpret_cast<const char*>(&size), sizeof size);
    out += bytes;
}

bool TakeRecord(const std::string& in, size_t& at, std::string& bytes) {
    uint32_t size = 0;
    if (at + sizeof size > in.size())
        return false;
    std::memcpy(&size, in.data() + at, sizeof size);
    at += sizeof size;
    if (at + size > in.size())
        return false;
    bytes = in.substr(at, size);
    at += size;
    return true;
}

// What a reader in another process found: the whole blocks of the three text formats,
// and the code page of CF_TEXT (that of the clipboard's locale).
struct Seen {
    std::string unicode;
    std::string text;
    std::string rtf;
    UINT textCodePage = 0;
};

// Runs this test program again with only the reader below, and lets the copy be
// rendered while it reads.
Seen ReadFromAnotherProcess() {
    TempFolder folder;
    const std::string output = folder / "seen.bin";
    SetEnvironmentVariableA(kReaderOutput, output.c_str());
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=DISABLED_ClipboardReader.*";
    // Its own report would only clutter this one's.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE quiet = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = quiet;
    startup.hStdError = quiet;
    PROCESS_INFORMATION process = {};
    Seen seen;
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(quiet);
    if (!started) {
        ADD_FAILURE() << "the reader did not start: " << GetLastError();
        return seen;
    }
    // The copy's formats are rendered by this thread when the reader asks for them.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 120000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetEnvironmentVariableA(kReaderOutput, nullptr);
    EXPECT_EQ(exitCode, 0u) << "the reader failed";
    std::string in = ReadWholeFile(output);
    size_t at = 0;
    std::string codePage;
    if (!TakeRecord(in, at, seen.unicode) || !TakeRecord(in, at, seen.text) ||
        !TakeRecord(in, at, seen.rtf) || !TakeRecord(in, at, codePage)) {
        ADD_FAILURE() << "the reader wrote no complete record";
        return seen;
    }
    seen.textCodePage = static_cast<UINT>(std::strtoul(codePage.c_str(), nullptr, 10));
    return seen;
}

std::string Bytes(const std::wstring& wide) {
    return std::string(reinterpret_cast<const char*>(wide.c_str()),
                       (wide.size() + 1) * sizeof(wchar_t));
}

std::string InCodePage(UINT codePage, const std::wstring& wide) {
    int n = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(codePage, 0, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

// The text of a block up to its terminator; fails the test if anything but zeros
// follows it.
std::string UpToTerminator(const std::string& block, size_t unit, const char* what) {
    size_t end = 0;
    while (end + unit <= block.size() && block.compare(end, unit, std::string(unit, '\0')) != 0)
        end += unit;
    EXPECT_LT(end, block.size()) << what << " has no terminator";
    EXPECT_EQ(block.find_first_not_of('\0', end), std::string::npos)
        << what << " has stray bytes after its text";
    return block.substr(0, end);
}

void SetPaneText(HWND pane, const std::string& utf8) {
    SendMessageA(pane, EM_SETSEL, 0, -1);
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(utf8.c_str()));
}

// The text of an RTF document as a Rich Edit control reads it.
std::string ReadBackRtf(HWND parent, const std::string& rtf) {
    HWND reader = CreateListingPane(parent, 0, 0, 300, 200, false);
    struct Source {
        const std::string* bytes;
        size_t at;
    } source = {&rtf, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = [](DWORD_PTR cookie, LPBYTE into, LONG wanted, LONG* given) -> DWORD {
        auto* s = reinterpret_cast<Source*>(cookie);
        size_t n = std::min(static_cast<size_t>(wanted), s->bytes->size() - s->at);
        std::memcpy(into, s->bytes->data() + s->at, n);
        s->at += n;
        *given = static_cast<LONG>(n);
        return 0;
    };
    SendMessageA(reader, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    std::string text = PaneText(reader);
    DestroyWindow(reader);
    return text;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\r')
            out += '\n';
    }
    return out;
}

// A listing of more than 4096 characters with accents, Japanese and emoji.
std::string LongListing() {
    std::string text;
    for (int i = 0; text.size() < 9000; ++i)
        text +=
            "    Dossier_" + std::to_string(i) + " café 音楽 🎵\rtitle " + std::to_string(i) + "\r";
    return text + "end";
}

class PaneClipboard : public ::testing::Test {
protected:
    // Starts from an empty clipboard that no other program holds open.
    void SetUp() override {
        OleInitialize(nullptr);
        ASSERT_TRUE(OpenClipboardSoon());
        EmptyClipboard();
        CloseClipboard();
    }
    void TearDown() override {
        OleSetClipboard(nullptr);
        OleUninitialize();
    }
    TestPanes panes;
};

}  // namespace

// Started by ReadFromAnotherProcess in a process of its own.
TEST(DISABLED_ClipboardReader, WritesTheBlocksItReads) {
    const char* output = std::getenv(kReaderOutput);
    ASSERT_NE(output, nullptr);
    ASSERT_TRUE(OpenClipboardSoon());
    std::string unicode = Block(CF_UNICODETEXT);
    std::string text = Block(CF_TEXT);
    std::string rtf = Block(RtfFormat());
    std::string locale = Block(CF_LOCALE);
    CloseClipboard();
    UINT codePage = CP_ACP;
    if (locale.size() >= sizeof(LCID)) {
        LCID id;
        std::memcpy(&id, locale.data(), sizeof id);
        GetLocaleInfoA(id, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<char*>(&codePage), sizeof codePage);
    }
    std::string out;
    PutRecord(out, unicode);
    PutRecord(out, text);
    PutRecord(out, rtf);
    PutRecord(out, std::to_string(codePage));
    ASSERT_TRUE(WriteWholeFile(output, out));
}

TEST_F(PaneClipboard, CopyHandsOtherProgramsExactlyTheTextAndStandardRtf) {
    const std::vector<std::string> texts = {
        "a",
        "abc",
        "hello world",
        "café crème brûlée",
        "音楽 フォルダ",
        "🎵 best of 😀",
        "    Music\rBest Of\rintro",
        LongListing(),
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40) + " (" + std::to_string(text.size()) + " bytes)");
        SetPaneText(ListingPane, text);
        ASSERT_EQ(PaneText(ListingPane), text);
        SendMessageA(ListingPane, EM_SETSEL, 0, -1);
        SendMessageA(ListingPane, WM_COPY, 0, 0);

        const std::wstring wide = Wide(WithCrLf(text));
        Seen seen = ReadFromAnotherProcess();
        EXPECT_EQ(seen.unicode, Bytes(wide)) << "CF_UNICODETEXT is not the text and its terminator";
        EXPECT_EQ(UpToTerminator(seen.text, 1, "CF_TEXT"), InCodePage(seen.textCodePage, wide));
        std::string rtf = UpToTerminator(seen.rtf, 1, "the RTF");
        EXPECT_EQ(seen.rtf.size(), rtf.size() + 1) << "the RTF has more than its terminator";
        EXPECT_EQ(rtf.compare(0, 23, "{\\rtf1\\ansi\\ansicpg1252"), 0) << rtf.substr(0, 40);
        bool onlyAscii = true;
        for (unsigned char c : rtf)
            onlyAscii = onlyAscii && c < 0x80;
        EXPECT_TRUE(onlyAscii) << "the RTF carries raw bytes beyond ASCII";
        EXPECT_EQ(ReadBackRtf(panes.window(), rtf), text);

        // Paste gives the text back, in place of the selection.
        SetPaneText(ListingPane, "");
        SendMessageA(ListingPane, WM_PASTE, 0, 0);
        EXPECT_EQ(PaneText(ListingPane), text);
    }
}

TEST_F(PaneClipboard, CutTakesTheSelectionOutAndHandsOutExactlyIt) {
    SetPaneText(ListingPane, "abc déf 音楽");
    SendMessageA(ListingPane, EM_SETSEL, 4, 7);
    SendMessageA(ListingPane, WM_CUT, 0, 0);
    EXPECT_EQ(PaneText(ListingPane), "abc  音楽");
    Seen seen = ReadFromAnotherProcess();
    EXPECT_EQ(seen.unicode, Bytes(L"d\u00e9f"));
    EXPECT_EQ(ReadBackRtf(panes.window(), UpToTerminator(seen.rtf, 1, "the RTF")), "déf");
}

TEST_F(PaneClipboard, EachPaneReleasesItsCallbackAndLeavesItsCopyOnTheClipboard) {
    const long before = PaneClipboardObjects();
    for (int i = 0; i < 4; ++i) {
        HWND pane = CreateListingPane(panes.window(), 0, 0, 300, 200);
        ASSERT_NE(pane, nullptr);
        const long made = PaneClipboardObjects();
        ConfigureListingPane(pane);  // twice on one pane: still one callback
        EXPECT_EQ(PaneClipboardObjects(), made);
        const std::string text = "pane " + std::to_string(i) + " 音";
        SetPaneText(pane, text);
        SendMessageA(pane, EM_SETSEL, 0, -1);
        SendMessageA(pane, WM_COPY, 0, 0);
        // The last pane goes while another thread holds the clipboard open a moment.
        HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread holder;
        if (i == 3) {
            holder = std::thread([opened] {
                const bool open = OpenClipboard(nullptr) != FALSE;
                SetEvent(opened);
                if (open) {
                    Sleep(300);
                    CloseClipboard();
                }
            });
            WaitForSingleObject(opened, 5000);
        }
        DestroyWindow(pane);
        if (holder.joinable())
            holder.join();
        CloseHandle(opened);
        // The pane's callback went with it, and its copy was written into the clipboard
        // and let go, so that it outlives the program.
        EXPECT_EQ(PaneClipboardObjects(), before);
        ASSERT_TRUE(OpenClipboardSoon());
        EXPECT_EQ(Block(CF_UNICODETEXT), Bytes(Wide(text))) << "the copy did not outlive its pane";
        CloseClipboard();
    }
    OleSetClipboard(nullptr);
    EXPECT_EQ(PaneClipboardObjects(), before);
}

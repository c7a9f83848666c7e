// Saving the listing: the dialog request, the file that comes out (read back by unrtf,
// a reader independent of the Rich Edit control), the folder the next dialog opens in,
// and the failures that must reach the user.
#include <gtest/gtest.h>
#include <algorithm>
#include <richedit.h>

#include "base/bounded_text.h"
#include "listing/listing_generator.h"
#include "listing/text_styles.h"
#include "output/save_listing.h"
#include "support/panes.h"
#include "support/skips.h"
#include "support/temp_folder.h"
#include "tests/output/output_support.h"

namespace {

// What the stand-in dialog answers and what it was asked.
struct DialogScript {
    std::string answer;  // the chosen path; empty: the user cancels
    DWORD fileType = 1;
    std::string initialDir;
    std::string startName;
    DWORD flags = 0;
    DWORD filterIndex = 0;
    std::string defaultExt;
} dialog;

BOOL WINAPI StandInSaveDialog(OPENFILENAMEA* request) {
    dialog.initialDir = request->lpstrInitialDir ? request->lpstrInitialDir : "";
    dialog.startName = request->lpstrFile;
    dialog.flags = request->Flags;
    dialog.filterIndex = request->nFilterIndex;
    dialog.defaultExt = request->lpstrDefExt ? request->lpstrDefExt : "";
    if (dialog.answer.empty())
        return FALSE;
    CopyText(request->lpstrFile, request->nMaxFile, dialog.answer.c_str());
    request->nFilterIndex = dialog.fileType;
    return TRUE;
}

struct Message {
    HWND owner;
    std::string text;
};
std::vector<Message> messages;

int WINAPI CaptureMessage(HWND owner, const char* text, const char*, UINT) {
    messages.push_back({owner, text});
    return IDOK;
}

std::string SystemReason(DWORD error) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n'))
        reason.pop_back();
    // An empty reason would be found in any message.
    EXPECT_GT(reason.size(), 5u) << "the system has no text for error " << error;
    return reason;
}

::testing::AssertionResult IsRichText(const std::string& content) {
    if (content.rfind("{\\rtf1", 0) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not RTF: \"" << content.substr(0, 40) << "\"";
}

// unrtf's HTML writes characters outside the document's code page as &#N;.
std::string DecodeNumericEntities(const std::string& html) {
    std::string text;
    for (size_t at = 0; at < html.size(); ++at) {
        size_t end = html.find(';', at);
        if (html.compare(at, 2, "&#") == 0 && end != std::string::npos) {
            wchar_t c[2] = {static_cast<wchar_t>(atoi(html.c_str() + at + 2)), 0};
            text += Utf8(c);
            at = end;
        } else {
            text += html[at];
        }
    }
    return text;
}

class SaveListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FontDialogGate = 0;
        SetUpTextStyles(nullptr);
        dialog = DialogScript();
        messages.clear();
        UseSaveCalls(StandInSaveDialog, CaptureMessage);
        CopyText(SaveFolder, sizeof SaveFolder, "c:\\My Documents");
    }
    void TearDown() override { UseSaveCalls(nullptr, nullptr); }

    void SaveAs(const std::string& path, DWORD fileType = 1) {
        dialog.answer = path;
        dialog.fileType = fileType;
        SaveListing(panes.window());
    }

    // The saved file as unrtf reads it ("text" or "html").
    std::string Unrtf(const std::string& path, const char* format) {
        std::string out;
        EXPECT_EQ(RunLinux(std::string("unrtf --") + format + " " + Quote(LinuxPath(path)), &out),
                  0)
            << out;
        if (std::string(format) == "text")
            out = out.substr(out.find("-----------------\n") + 18);  // after unrtf's header
        return out;
    }

    // A save that fails: the message names the file and the system's reason, the pane
    // is as it was and the save folder has not moved.
    void ExpectRefused(const std::string& path, DWORD error) {
        std::string textBefore = PaneText(ListingPane);
        SetSelection(ListingPane, 3, 9);
        SaveAs(path);
        ASSERT_EQ(messages.size(), 1u) << path;
        EXPECT_EQ(messages[0].owner, panes.window());
        EXPECT_NE(messages[0].text.find(path), std::string::npos) << messages[0].text;
        EXPECT_NE(messages[0].text.find(SystemReason(error)), std::string::npos)
            << messages[0].text;
        EXPECT_STREQ(SaveFolder, "c:\\My Documents");
        EXPECT_EQ(PaneText(ListingPane), textBefore);
        EXPECT_EQ(Selection(ListingPane).cpMin, 3);
        EXPECT_EQ(Selection(ListingPane).cpMax, 9);
        messages.clear();
    }

    TestPanes panes;
    TempFolder temp;
};

TEST_F(SaveListingTest, WritesRichTextWhateverTheTypeAndNameAndOpensEmptyEachTime) {
    WriteListing(ListingPane, MakeListing(2, 2));
    SaveAs(temp / "list.doc", 2);
    SaveAs(temp / "again.rtf");
    EXPECT_EQ(dialog.filterIndex, 1u) << "the last file type is not remembered";
    EXPECT_EQ(dialog.startName, "");
    EXPECT_EQ(dialog.defaultExt, "rtf");
    EXPECT_EQ(dialog.flags & OFN_FILEMUSTEXIST, 0u) << "would refuse every new file";
    EXPECT_EQ(dialog.flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_TRUE(IsRichText(ReadWholeFile(temp / "list.doc")));
    EXPECT_EQ(Words(Unrtf(temp / "list.doc", "text")), Words(MakeListing(2, 2)));
    EXPECT_TRUE(messages.empty());
}

TEST_F(SaveListingTest, ReaderSeesTextBreaksBoldHeadingsAndBothColours) {
    std::vector<ListingLine> lines = MakeListing(2, 3);
    lines[2].text =
        "Dvo\xC5\x99"
        "ak Humoreska.mp3";  // a character outside the ANSI code page
    WriteListing(ListingPane, lines);
    SaveAs(temp / "list.rtf");
    EXPECT_TRUE(IsRichText(ReadWholeFile(temp / "list.rtf")));

    // unrtf's HTML: follow <b> and <font color> through the text, line by line.
    std::string html = Unrtf(temp / "list.rtf", "html");
    html = html.substr(html.find("<body>") + 6);
    struct Seen {
        std::string text;
        bool bold;
        std::string colour;
    };
    std::vector<Seen> seen(1, Seen{"", false, ""});
    int bold = 0;
    std::vector<std::string> colours;
    for (size_t at = 0; at < html.size();) {
        if (html[at] != '<') {
            size_t end = html.find('<', at);
            std::string text = html.substr(at, end - at);
            if (text.find_first_not_of(" \r\n") != std::string::npos) {
                seen.back().text += DecodeNumericEntities(text);
                seen.back().bold = bold > 0;
                seen.back().colour = colours.empty() ? "" : colours.back();
            }
            at = end;
            continue;
        }
        size_t end = html.find('>', at);
        std::string tag = html.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag == "b") {
            ++bold;
        } else if (tag == "/b") {
            --bold;
        } else if (tag.rfind("font", 0) == 0) {
            size_t c = tag.find("color=\"");
            colours.push_back(c == std::string::npos ? (colours.empty() ? "" : colours.back())
                                                     : tag.substr(c + 7, 7));
        } else if (tag == "/font" && !colours.empty()) {
            colours.pop_back();
        } else if (tag == "br") {
            seen.push_back({"", false, ""});
        }
    }
    // The empty first paragraph, then one line per listing line.
    ASSERT_GE(seen.size(), lines.size() + 1) << html;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Seen& line = seen[i + 1];
        EXPECT_EQ(Words(line.text), Words(lines[i].text)) << html;
        EXPECT_EQ(line.bold, lines[i].heading) << line.text;
        EXPECT_EQ(line.colour, lines[i].heading ? "#c00000" : "#0000a0") << line.text;
    }
}

TEST_F(SaveListingTest, ReplacesAnExistingFileAndOpensTheNextDialogInItsFolder) {
    temp.MakeFile("lists\\list.rtf", std::string(100000, 'x'));
    WriteListing(ListingPane, MakeListing(1, 1));
    SaveAs(temp / "lists\\list.rtf");
    std::string saved = ReadWholeFile(temp / "lists\\list.rtf");
    EXPECT_TRUE(IsRichText(saved));
    EXPECT_EQ(saved.find('x' + std::string(50, 'x')), std::string::npos) << "old bytes left";
    EXPECT_EQ(dialog.initialDir, "c:\\My Documents");

    dialog.answer.clear();  // the second Save As is cancelled, and changes nothing
    SaveListing(panes.window());
    EXPECT_EQ(dialog.initialDir, temp / "lists");
    EXPECT_EQ(std::string(SaveFolder), temp / "lists");
    EXPECT_TRUE(messages.empty());
}

TEST_F(SaveListingTest, SavesTheWholeTextAndLeavesThePaneAsItWas) {
    WriteListing(ListingPane, MakeListing(2, 2));
    std::string before = PaneText(ListingPane);
    SendMessageA(ListingPane, EM_SETMODIFY, FALSE, 0);
    SetSelection(ListingPane, 5, 12);
    SaveAs(temp / "list.rtf");
    EXPECT_EQ(Words(Unrtf(temp / "list.rtf", "text")), Words(MakeListing(2, 2)));
    EXPECT_EQ(PaneText(ListingPane), before);
    EXPECT_EQ(Selection(ListingPane).cpMin, 5);
    EXPECT_EQ(Selection(ListingPane).cpMax, 12);
    EXPECT_FALSE(SendMessageA(ListingPane, EM_GETMODIFY, 0, 0));
}

TEST_F(SaveListingTest, AnEmptyPaneGivesAShortValidDocument) {
    SaveAs(temp / "empty.rtf");
    std::string saved = ReadWholeFile(temp / "empty.rtf");
    EXPECT_TRUE(IsRichText(saved));
    EXPECT_LT(saved.size(), 1000u);
    int depth = 0;
    for (char c : saved)
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    EXPECT_EQ(depth, 0) << saved;
    EXPECT_TRUE(messages.empty());
}

TEST_F(SaveListingTest, AFileThatCannotBeCreatedIsReported) {
    WriteListing(ListingPane, MakeListing(2, 2));
    ExpectRefused(temp / "bad<name>.rtf", ERROR_INVALID_NAME);

    // Locked by another program: reported, and its content survives.
    temp.MakeFile("locked.rtf", "keep me");
    HANDLE lock = CreateFileA((temp / "locked.rtf").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ExpectRefused(temp / "locked.rtf", ERROR_SHARING_VIOLATION);
    CloseHandle(lock);
    EXPECT_EQ(ReadWholeFile(temp / "locked.rtf"), "keep me");

    std::string disks = FolderFromEnvironment("KELVORA_SMALL_DISKS");
    if (disks.empty() || GetFileAttributesA((disks + "\\readonly\\.small-disk").c_str()) ==
                             INVALID_FILE_ATTRIBUTES) {
        SKIP_ONLY_IF_ASKED("small-disks",
                           "no read-only file system mounted (tests/output/small_disks.sh)");
    }
    ExpectRefused(disks + "\\readonly\\list.rtf", ERROR_ACCESS_DENIED);
}

TEST_F(SaveListingTest, ADiskThatFillsUpPartWayIsReported) {
    std::string disks = FolderFromEnvironment("KELVORA_SMALL_DISKS");
    if (disks.empty() ||
        GetFileAttributesA((disks + "\\full\\.small-disk").c_str()) == INVALID_FILE_ATTRIBUTES) {
        SKIP_ONLY_IF_ASKED("small-disks",
                           "no small file system mounted (tests/output/small_disks.sh)");
    }
    // A file of that name is there already: it must come through whole.
    std::string path = disks + "\\full\\list.rtf";
    ASSERT_TRUE(WriteWholeFile(path, "the old listing"));
    WriteListing(ListingPane, MakeListing(60, 40));  // far more than 64 KiB of RTF
    std::string before = PaneText(ListingPane);
    SetSelection(ListingPane, 20, 30);
    SaveAs(path);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(path), std::string::npos) << messages[0].text;
    EXPECT_NE(messages[0].text.find(SystemReason(ERROR_DISK_FULL)), std::string::npos)
        << messages[0].text;
    EXPECT_NE(messages[0].text.find("kept as it was"), std::string::npos) << messages[0].text;
    EXPECT_EQ(ReadWholeFile(path), "the old listing");
    // Nothing else is left on the disk, and nothing was saved: the next dialog opens
    // where it did.
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((disks + "\\full\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.push_back(found.cFileName);
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", ".small-disk", "list.rtf"}));
    EXPECT_STREQ(SaveFolder, "c:\\My Documents");
    EXPECT_EQ(PaneText(ListingPane), before);
    EXPECT_EQ(Selection(ListingPane).cpMin, 20);
    EXPECT_EQ(Selection(ListingPane).cpMax, 30);
    DeleteFileA(path.c_str());
}

// The platform's dialog, asked with a request it refuses.
BOOL WINAPI BrokenSaveDialog(OPENFILENAMEA* request) {
    OPENFILENAMEA broken = *request;
    broken.lStructSize = 1;
    return GetSaveFileNameA(&broken);
}

// The platform's own dialog and message box, driven from a timer as a user would.
std::string typedName;
std::string boxText;
HWND boxOwner;

bool TypeNameAndSave() {
    HWND box = FindDialog("Save As");
    if (!box)
        return false;
    HWND edit = GetDlgItem(box, 0x480);  // edt1
    if (!edit)
        edit = GetDlgItem(box, 0x47C);  // cmb13
    SetWindowTextA(edit, typedName.c_str());
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

bool CloseMessage() {
    HWND box = FindDialog("Kelvora");
    if (!box)
        return false;
    boxText = ChildTexts(box);
    boxOwner = GetWindow(box, GW_OWNER);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
}

TEST_F(SaveListingTest, ThePlatformDialogTakesANewNameAndTheBoxShowsAFailure) {
    UseSaveCalls(nullptr, nullptr);
    WriteListing(ListingPane, MakeListing(1, 2));
    CopyText(SaveFolder, sizeof SaveFolder, temp.Path().c_str());
    typedName = temp / "brand new";
    WhileModal(TypeNameAndSave);
    SaveListing(panes.window());
    EXPECT_TRUE(IsRichText(ReadWholeFile(temp / "brand new.rtf")))
        << "the dialog adds the default extension";

    // A path of more than 255 bytes: 86 Japanese letters in the UTF-8 code page.
    UseSaveCalls(nullptr, CaptureMessage);
    std::string letters;
    for (int i = 0; i < 43; ++i)
        letters += "\xE3\x81\x82";
    temp.MakeFolder(letters);
    typedName = temp / (letters + "\\" + letters);
    ASSERT_GT(typedName.size(), 255u);
    WhileModal(TypeNameAndSave);
    SaveListing(panes.window());
    EXPECT_TRUE(IsRichText(ReadWholeFile(typedName + ".rtf")));
    EXPECT_EQ(std::string(SaveFolder), temp / letters);
    EXPECT_TRUE(messages.empty());

    // A dialog that fails is said, not taken for a Cancel.
    UseSaveCalls(BrokenSaveDialog, CaptureMessage);
    SaveListing(panes.window());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("Save As dialog failed"), std::string::npos)
        << messages[0].text;
    messages.clear();

    UseSaveCalls(StandInSaveDialog, nullptr);
    boxText.clear();
    WhileModal(CloseMessage);
    SaveAs(temp / "no\\such\\folder.rtf");
    EXPECT_NE(boxText.find(temp / "no\\such\\folder.rtf"), std::string::npos) << boxText;
    EXPECT_EQ(boxOwner, panes.window());
}

}  // namespace

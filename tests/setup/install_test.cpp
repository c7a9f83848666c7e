// KelvoraSetUp and what it leaves behind: c:\Kelvora, the two shortcuts and, when
// something fails, one message box and a non-zero exit code. The real program runs as a
// child process from a scratch folder; its steps also run in this process, with
// stand-ins for the folder move and the message box.
#include "setup/install.h"
#include "setup_test_files.h"
#include "support/skips.h"

#include <objbase.h>
#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using testing::AllOf;
using testing::HasSubstr;

const char kInstallFolder[] = "c:\\Kelvora";
const char kProgramPath[] = "c:\\kelvora\\kelvora.exe";
// The message box's text control (Windows and Wine alike).
const int kMessageTextId = 0xFFFF;

// What a run of the set-up ended with: its exit code and the message boxes it showed.
struct SetUpRun {
    long exitCode = -1;  // -1: not started, or still running after a minute
    int messages = 0;
    std::string text;  // of the last message box
};

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM found) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(found);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (owner != search->processId || std::string(className) != "#32770" ||
        !IsWindowVisible(window))
        return TRUE;
    search->box = window;
    return FALSE;
}

// Runs a program with the given working folder and waits up to a minute for it. A
// message box it shows is read and answered with OK, as a user would.
SetUpRun RunAndWait(const std::string& program, const std::string& workingFolder) {
    SetUpRun run;
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &process)) {
        return run;
    }
    bool ended = false;
    for (int i = 0; i < 600 && !ended; ++i) {
        ended = WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0;
        BoxSearch search = {process.dwProcessId, nullptr};
        if (ended || EnumWindows(FindDialogOfProcess, reinterpret_cast<LPARAM>(&search)) ||
            !search.box) {
            continue;
        }
        char text[4096] = "";
        GetDlgItemTextA(search.box, kMessageTextId, text, sizeof text);
        ++run.messages;
        run.text = text;
        SendMessageA(search.box, WM_COMMAND, IDOK, 0);
        for (int j = 0; j < 100 && IsWindow(search.box); ++j)
            Sleep(50);
    }
    if (ended) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.exitCode = static_cast<long>(code);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

// Stand-ins for the set-up's move and message box when its steps run in this process.
SetUpRun shownHere;
DWORD refusedMoveError = ERROR_SUCCESS;
int refusedMoves = 0;

int WINAPI RecordMessage(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    ++shownHere.messages;
    shownHere.text = text;
    EXPECT_STREQ(caption, "Kelvora Set-Up");
    EXPECT_EQ(type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    return IDOK;
}

// A move that the system refuses with refusedMoveError.
BOOL WINAPI RefuseMove(LPCSTR, LPCSTR, DWORD) {
    ++refusedMoves;
    SetLastError(refusedMoveError);
    return FALSE;
}

class InstallTest : public testing::Test {
protected:
    void SetUp() override {
        com_ = CoInitialize(nullptr);
        bin_ = ProgramFolder();
        setup_ = bin_ + "\\KelvoraSetUp.exe";
        ASSERT_TRUE(FileExists(setup_)) << setup_;

        std::string startMenu = ShellFolder(CSIDL_STARTMENU);
        std::string desktop = ShellFolder(CSIDL_DESKTOP);
        ASSERT_FALSE(startMenu.empty());
        ASSERT_FALSE(desktop.empty());
        programs_ = startMenu + "\\Programs";
        menuLink_ = programs_ + "\\Kelvora.lnk";
        desktopLink_ = desktop + "\\Kelvora.lnk";

        RemoveTree(kInstallFolder);
        RemoveTree(menuLink_);
        RemoveTree(desktopLink_);
        ASSERT_FALSE(FolderExists(kInstallFolder));
    }

    void TearDown() override {
        RemoveTree(kInstallFolder);
        RemoveTree(menuLink_);
        RemoveTree(desktopLink_);
        if (SUCCEEDED(com_))
            CoUninitialize();
    }

    // The package as downloaded: the product folder with a program and a help page.
    std::string MakeProductFolder(const ScratchFolder& where) {
        std::string product = where / "Kelvora";
        CreateDirectoryA(product.c_str(), nullptr);
        CreateDirectoryA((product + "\\help").c_str(), nullptr);
        std::string program = ReadWholeFile(bin_ + "\\Kelvora.exe");
        if (program.empty())
            program = "MZ stand-in for the program";
        EXPECT_TRUE(WriteWholeFile(product + "\\Kelvora.exe", program));
        EXPECT_TRUE(WriteWholeFile(product + "\\help\\index.html", "<p>help</p>"));
        return program;
    }

    SetUpRun RunSetUp(const ScratchFolder& from) { return RunAndWait(setup_, from.Path()); }

    // The set-up's steps in this process, started in the given folder; the move is the
    // system's unless a refusal is given.
    SetUpRun InstallHere(const std::string& from, DWORD moveRefusedWith = ERROR_SUCCESS) {
        char saved[MAX_PATH + 1] = "";
        GetCurrentDirectoryA(sizeof saved, saved);
        EXPECT_TRUE(SetCurrentDirectoryA(from.c_str())) << from;
        shownHere = SetUpRun();
        refusedMoveError = moveRefusedWith;
        refusedMoves = 0;
        InstallCalls calls = {moveRefusedWith == ERROR_SUCCESS ? MoveFileExA : RefuseMove,
                              RecordMessage};
        shownHere.exitCode = InstallMain(calls);
        SetCurrentDirectoryA(saved);
        return shownHere;
    }

    // Both shortcuts exist and start the installed program the intended way.
    void ExpectBothShortcuts() {
        for (const std::string& link : {menuLink_, desktopLink_}) {
            SCOPED_TRACE(link);
            ASSERT_TRUE(FileExists(link));
            LinkContents read = ReadLink(link);
            ASSERT_EQ(read.loaded, S_OK);
            EXPECT_TRUE(SamePathText(read.path, kProgramPath)) << read.path;
            EXPECT_EQ(read.workingFolder, kInstallFolder);
            EXPECT_EQ(read.hotKey, 0);
            EXPECT_EQ(read.description, "");
            EXPECT_TRUE(SamePathText(read.iconFile, kProgramPath)) << read.iconFile;
            EXPECT_EQ(read.iconIndex, 0);
            LinkHeader header = ReadLinkHeader(link);
            ASSERT_TRUE(header.valid);
            EXPECT_EQ(header.showCommand, static_cast<std::uint32_t>(SW_SHOWNORMAL));
            EXPECT_EQ(header.hotKey, 0);
        }
    }

    HRESULT com_ = E_FAIL;
    std::string bin_;
    std::string setup_;
    std::string programs_;
    std::string menuLink_;
    std::string desktopLink_;
};

TEST_F(InstallTest, MovesTheProductFolderAndWritesBothShortcuts) {
    ScratchFolder download;
    std::string program = MakeProductFolder(download);

    SetUpRun run = RunSetUp(download);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_FALSE(FolderExists(download / "Kelvora"));
    EXPECT_EQ(ReadWholeFile(kProgramPath), program);
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\help\\index.html"), "<p>help</p>");
    ExpectBothShortcuts();
}

TEST_F(InstallTest, MakesTheProgramsFolderWhenItIsMissing) {
    // Set the prefix's own Programs folder aside and put it back afterwards.
    std::string saved = programs_ + ".kept-by-test";
    RemoveTree(saved);
    ASSERT_TRUE(MoveFileA(programs_.c_str(), saved.c_str()));
    ScratchFolder download;
    MakeProductFolder(download);

    SetUpRun run = RunSetUp(download);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_TRUE(FolderExists(programs_));
    ExpectBothShortcuts();
    RemoveTree(programs_);
    ASSERT_TRUE(MoveFileA(saved.c_str(), programs_.c_str()));
}

TEST_F(InstallTest, InstallsFromAnotherDrive) {
    // K: is a folder on another Linux file system (tests/setup/second_drive.sh).
    char drive[8] = "";
    DWORD length = GetEnvironmentVariableA("KELVORA_SECOND_DRIVE", drive, sizeof drive);
    std::string root = std::string(length > 0 && length < sizeof drive ? drive : "K:") + "\\";
    if (!FileExists(root + ".second-drive"))
        SKIP_ONLY_IF_ASKED("second-drive", "no second drive mapped at " + root);
    ScratchFolder download(root);
    std::string program = MakeProductFolder(download);
    ASSERT_TRUE(WriteWholeFile(download / "Kelvora\\Kelvora.ini", "[ext]\r\n"));

    SetUpRun run = RunSetUp(download);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_FALSE(FolderExists(download / "Kelvora"));
    EXPECT_EQ(CountEntries(download.Path()), 0);
    EXPECT_EQ(ReadWholeFile(kProgramPath), program);
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\help\\index.html"), "<p>help</p>");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\Kelvora.ini"), "[ext]\r\n");
    ExpectBothShortcuts();
}

TEST_F(InstallTest, CopiesTheFolderWhenTheMoveCannotCrossVolumes) {
    ScratchFolder download;
    std::string program = MakeProductFolder(download);
    // A read-only file, as some unzip tools leave them, is removed with the rest.
    std::string help = download / "Kelvora\\help\\index.html";
    ASSERT_TRUE(SetFileAttributesA(help.c_str(), FILE_ATTRIBUTE_READONLY));

    SetUpRun run = InstallHere(download.Path(), ERROR_NOT_SAME_DEVICE);

    EXPECT_EQ(refusedMoves, 1);
    EXPECT_EQ(run.exitCode, kInstalled);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_FALSE(FolderExists(download / "Kelvora"));
    EXPECT_EQ(ReadWholeFile(kProgramPath), program);
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\help\\index.html"), "<p>help</p>");
    ExpectBothShortcuts();
}

TEST_F(InstallTest, ACopyThatStopsLeavesTheFolderAndNoHalfInstall) {
    ScratchFolder download;
    MakeProductFolder(download);
    // A file that cannot be read while another program holds it.
    std::string help = download / "Kelvora\\help\\index.html";
    HANDLE held = CreateFileA(help.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    SetUpRun run = InstallHere(download.Path(), ERROR_NOT_SAME_DEVICE);
    CloseHandle(held);

    EXPECT_EQ(run.exitCode, kFolderNotInPlace);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(
        run.text,
        AllOf(HasSubstr(download / "Kelvora\r\n"), HasSubstr("could not be copied to c:\\Kelvora"),
              HasSubstr("c:\\Kelvora\\help\\index.html"), HasSubstr("Nothing was installed"),
              HasSubstr("run KelvoraSetUp.exe again")));
    EXPECT_FALSE(FolderExists(kInstallFolder));
    EXPECT_TRUE(FileExists(download / "Kelvora\\Kelvora.exe"));
    EXPECT_EQ(ReadWholeFile(help), "<p>help</p>");
    EXPECT_FALSE(FileExists(menuLink_));
    EXPECT_FALSE(FileExists(desktopLink_));
}

TEST_F(InstallTest, SaysSoWhenTheFolderCannotBeMovedOnItsOwnVolume) {
    ScratchFolder download;
    MakeProductFolder(download);

    SetUpRun run = InstallHere(download.Path(), ERROR_ACCESS_DENIED);

    EXPECT_EQ(run.exitCode, kFolderNotInPlace);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(run.text, AllOf(HasSubstr(download / "Kelvora\r\n"),
                                HasSubstr("could not be moved to c:\\Kelvora (Windows error 5)"),
                                HasSubstr("Close every program that uses a file in that folder"),
                                HasSubstr("run KelvoraSetUp.exe again")));
    EXPECT_FALSE(FolderExists(kInstallFolder));
    EXPECT_TRUE(FileExists(download / "Kelvora\\Kelvora.exe"));
    EXPECT_FALSE(FileExists(menuLink_));
    EXPECT_FALSE(FileExists(desktopLink_));
}

TEST_F(InstallTest, ReplacesAnEarlierInstallAndKeepsItsSettings) {
    ScratchFolder first;
    MakeProductFolder(first);
    ASSERT_EQ(RunSetUp(first).exitCode, 0);
    ASSERT_TRUE(WriteWholeFile("c:\\Kelvora\\Kelvora.ini", "the user's filters"));
    ASSERT_TRUE(WriteWholeFile("c:\\Kelvora\\notes.txt", "kept"));
    // Broken shortcuts, to be replaced.
    ASSERT_TRUE(WriteWholeFile(menuLink_, "junk"));
    ASSERT_TRUE(WriteWholeFile(desktopLink_, "junk"));

    ScratchFolder second;
    CreateDirectoryA((second / "Kelvora").c_str(), nullptr);
    CreateDirectoryA((second / "Kelvora\\help").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(second / "Kelvora\\Kelvora.exe", "newer"));
    ASSERT_TRUE(WriteWholeFile(second / "Kelvora\\help\\index.html", "<p>newer help</p>"));
    // Settings of a start from the unpacked folder do not replace the installed ones.
    ASSERT_TRUE(WriteWholeFile(second / "Kelvora\\Kelvora.ini", "unpacked folder's"));

    SetUpRun run = RunSetUp(second);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_EQ(ReadWholeFile(kProgramPath), "newer");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\help\\index.html"), "<p>newer help</p>");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\Kelvora.ini"), "the user's filters");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\notes.txt"), "kept");
    EXPECT_FALSE(FolderExists("c:\\Kelvora\\Kelvora"));
    EXPECT_FALSE(FolderExists(second / "Kelvora"));
    ExpectBothShortcuts();
}

TEST_F(InstallTest, AnUpdateThatCannotReplaceTheRunningProgramSaysSo) {
    CreateDirectoryA(kInstallFolder, nullptr);
    ASSERT_TRUE(WriteWholeFile(kProgramPath, "older"));
    ASSERT_TRUE(WriteWholeFile("c:\\Kelvora\\Kelvora.ini", "the user's filters"));
    ScratchFolder download;
    MakeProductFolder(download);
    // Held the way Windows holds the file of a running program: read, no writers.
    HANDLE running = CreateFileA(kProgramPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);

    SetUpRun run = InstallHere(download.Path());
    CloseHandle(running);

    EXPECT_EQ(run.exitCode, kFolderNotInPlace);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(
        run.text,
        AllOf(HasSubstr("could not be brought up to date from\r\n\r\n" + download / "Kelvora\r\n"),
              HasSubstr("c:\\Kelvora\\Kelvora.exe"), HasSubstr("Your Kelvora.ini is kept"),
              HasSubstr("Close Kelvora if it is running")));
    EXPECT_EQ(ReadWholeFile(kProgramPath), "older");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\Kelvora.ini"), "the user's filters");
    EXPECT_TRUE(FileExists(download / "Kelvora\\Kelvora.exe"));
    EXPECT_FALSE(FileExists(menuLink_));
    EXPECT_FALSE(FileExists(desktopLink_));
}

TEST_F(InstallTest, WritesTheShortcutsWhenStartedWithoutTheProductFolder) {
    // Installed earlier; started this time from a folder without "Kelvora".
    CreateDirectoryA(kInstallFolder, nullptr);
    ASSERT_TRUE(WriteWholeFile(kProgramPath, "installed"));
    ScratchFolder elsewhere;

    SetUpRun run = RunSetUp(elsewhere);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_EQ(ReadWholeFile(kProgramPath), "installed");
    EXPECT_EQ(CountEntries(elsewhere.Path()), 0);
    ExpectBothShortcuts();
}

TEST_F(InstallTest, StartedInDriveCsRootLeavesTheInstallAsItIs) {
    // There the product folder beside it is c:\Kelvora itself.
    CreateDirectoryA(kInstallFolder, nullptr);
    ASSERT_TRUE(WriteWholeFile(kProgramPath, "installed"));
    ASSERT_TRUE(WriteWholeFile("c:\\Kelvora\\Kelvora.ini", "the user's filters"));

    SetUpRun run = InstallHere("C:\\");

    EXPECT_EQ(run.exitCode, kInstalled);
    EXPECT_EQ(run.messages, 0) << run.text;
    EXPECT_EQ(ReadWholeFile(kProgramPath), "installed");
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\Kelvora.ini"), "the user's filters");
    ExpectBothShortcuts();
}

TEST_F(InstallTest, TellsToUnpackTheZipWhenThereIsNothingToInstall) {
    // Neither a product folder nor an install: no shortcut pointing at nothing.
    ScratchFolder empty;

    SetUpRun run = RunSetUp(empty);

    EXPECT_EQ(run.exitCode, kNoProductFolder);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(
        run.text,
        AllOf(HasSubstr("did not find the folder \"Kelvora\""), HasSubstr(empty / "Kelvora"),
              HasSubstr("not installed in c:\\Kelvora"), HasSubstr("Unpack the whole zip first")));
    EXPECT_FALSE(FolderExists(kInstallFolder));
    EXPECT_EQ(CountEntries(empty.Path()), 0);
    EXPECT_FALSE(FileExists(menuLink_));
    EXPECT_FALSE(FileExists(desktopLink_));
}

TEST_F(InstallTest, DoesNotInstallAProductFolderWithoutItsProgram) {
    ScratchFolder download;
    CreateDirectoryA((download / "Kelvora").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(download / "Kelvora\\readme.txt", "part of a zip"));

    SetUpRun run = InstallHere(download.Path());

    EXPECT_EQ(run.exitCode, kNoProductFolder);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(run.text,
                AllOf(HasSubstr(download / "Kelvora\r\n"), HasSubstr("does not hold Kelvora.exe"),
                      HasSubstr("Unpack the whole zip again")));
    EXPECT_FALSE(FolderExists(kInstallFolder));
    EXPECT_TRUE(FileExists(download / "Kelvora\\readme.txt"));
    EXPECT_FALSE(FileExists(menuLink_));
}

TEST_F(InstallTest, NamesTheShortcutThatCannotBeWritten) {
    ScratchFolder download;
    MakeProductFolder(download);
    // A folder of the link's name stands where the desktop shortcut goes.
    ASSERT_TRUE(CreateDirectoryA(desktopLink_.c_str(), nullptr));

    SetUpRun run = InstallHere(download.Path());

    EXPECT_EQ(run.exitCode, kShortcutNotWritten);
    EXPECT_EQ(run.messages, 1);
    EXPECT_THAT(run.text, AllOf(HasSubstr("installed in c:\\Kelvora, but this shortcut"),
                                HasSubstr(desktopLink_ + "\r\n"),
                                HasSubstr("Start c:\\Kelvora\\Kelvora.exe from Explorer")));
    EXPECT_THAT(run.text, testing::Not(HasSubstr(menuLink_)));
    EXPECT_TRUE(FileExists(kProgramPath));
    ASSERT_TRUE(FileExists(menuLink_));
    EXPECT_EQ(ReadLink(menuLink_).loaded, S_OK);
}

// Finds the main window of a started Kelvora once its start-up is done (its title then
// shows the filter), waiting up to ten seconds.
HWND WaitForStartedProgram() {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA("Kelvora", nullptr);
        char title[64] = "";
        if (window)
            GetWindowTextA(window, title, sizeof title);
        if (std::string(title).rfind("Kelvora: ", 0) == 0)
            return window;
        Sleep(50);
    }
    return nullptr;
}

TEST_F(InstallTest, InstalledProgramStartsFromItsShortcutAndFindsItsFilesThere) {
    ASSERT_TRUE(FileExists(bin_ + "\\Kelvora.exe")) << "the main program is built with the set-up";
    ScratchFolder download;
    MakeProductFolder(download);
    ASSERT_EQ(RunSetUp(download).exitCode, 0);
    ExpectBothShortcuts();

    // Start it the way the shortcut does: its target, in its working folder.
    LinkContents link = ReadLink(desktopLink_);
    std::string commandLine = "\"" + link.path + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               link.workingFolder.c_str(), &startup, &process));
    HWND window = WaitForStartedProgram();
    ASSERT_NE(window, nullptr) << "the installed program shows its window";
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Kelvora: *.mp3");
    // The settings file is made in the install folder, next to the help page.
    EXPECT_EQ(ReadWholeFile(std::string(kInstallFolder) + "\\Kelvora.ini"),
              "[ext]\r\nExtensions=mp3,txt,zip,jpg,:\r\n");
    EXPECT_TRUE(FileExists(std::string(kInstallFolder) + "\\help\\index.html"));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

// The real KelvoraSetUp.exe, started as a child process from a scratch folder, and what
// it leaves behind: c:\Kelvora and the two shortcuts.
#include "setup_test_files.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

const char kInstallFolder[] = "c:\\Kelvora";
const char kProgramPath[] = "c:\\kelvora\\kelvora.exe";

// Runs a program with the given working folder and waits for it; the exit code, or -1
// when it could not be started or did not end within a minute.
long RunAndWait(const std::string& program, const std::string& workingFolder) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &process)) {
        return -1;
    }
    long result = -1;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            result = static_cast<long>(code);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
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

    long RunSetUp(const ScratchFolder& from) { return RunAndWait(setup_, from.Path()); }

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

    EXPECT_EQ(RunSetUp(download), 0);

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

    EXPECT_EQ(RunSetUp(download), 0);

    EXPECT_TRUE(FolderExists(programs_));
    ExpectBothShortcuts();
    RemoveTree(programs_);
    ASSERT_TRUE(MoveFileA(saved.c_str(), programs_.c_str()));
}

TEST_F(InstallTest, SecondRunMovesNothingAndRewritesTheShortcuts) {
    ScratchFolder first;
    std::string program = MakeProductFolder(first);
    ASSERT_EQ(RunSetUp(first), 0);
    ASSERT_TRUE(WriteWholeFile("c:\\Kelvora\\settings.ini", "kept"));
    // Broken shortcuts, to be replaced.
    ASSERT_TRUE(WriteWholeFile(menuLink_, "junk"));
    ASSERT_TRUE(WriteWholeFile(desktopLink_, "junk"));

    ScratchFolder second;
    CreateDirectoryA((second / "Kelvora").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(second / "Kelvora\\Kelvora.exe", "newer"));

    EXPECT_EQ(RunSetUp(second), 0);

    EXPECT_EQ(ReadWholeFile(second / "Kelvora\\Kelvora.exe"), "newer");
    EXPECT_EQ(ReadWholeFile(kProgramPath), program);
    EXPECT_EQ(ReadWholeFile("c:\\Kelvora\\settings.ini"), "kept");
    EXPECT_FALSE(FolderExists("c:\\Kelvora\\Kelvora"));
    ExpectBothShortcuts();
}

TEST_F(InstallTest, WritesTheShortcutsWhenStartedWithoutTheProductFolder) {
    // Installed earlier; started this time from a folder without "Kelvora".
    CreateDirectoryA(kInstallFolder, nullptr);
    ASSERT_TRUE(WriteWholeFile(kProgramPath, "installed"));
    ScratchFolder elsewhere;

    EXPECT_EQ(RunSetUp(elsewhere), 0);

    EXPECT_EQ(ReadWholeFile(kProgramPath), "installed");
    EXPECT_EQ(CountEntries(elsewhere.Path()), 0);
    ExpectBothShortcuts();
}

TEST_F(InstallTest, WritesNoShortcutToAProgramThatIsNotThere) {
    // The shell answers S_FALSE to a target that does not exist, and the set-up takes
    // only S_OK: no shortcut pointing at nothing.
    ScratchFolder empty;

    EXPECT_EQ(RunSetUp(empty), 0);

    EXPECT_FALSE(FolderExists(kInstallFolder));
    EXPECT_EQ(CountEntries(empty.Path()), 0);
    EXPECT_FALSE(FileExists(menuLink_));
    EXPECT_FALSE(FileExists(desktopLink_));
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
    ASSERT_EQ(RunSetUp(download), 0);
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

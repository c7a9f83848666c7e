// CreateShortcut on its own, in this process, writing into a scratch folder.
#include "setup/shortcut.cpp"

#include "setup_test_files.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

class CreateShortcutTest : public testing::Test {
protected:
    void SetUp() override {
        com_ = CoInitialize(nullptr);
        // A target that exists: the shell accepts it as it is.
        char self[MAX_PATH + 1] = "";
        GetModuleFileNameA(nullptr, self, sizeof(self));
        target_ = self;
        std::memset(&shortcut_, 0, sizeof(shortcut_));
        shortcut_.targetPath = target_.c_str();
        shortcut_.showCommand = SW_SHOWNORMAL;
    }
    void TearDown() override {
        if (SUCCEEDED(com_))
            CoUninitialize();
    }

    HRESULT com_ = E_FAIL;
    ScratchFolder scratch_;
    std::string target_;
    ShortcutSpec shortcut_;
};

TEST_F(CreateShortcutTest, WritesEveryFieldGiven) {
    std::string link = scratch_ / "Full.lnk";
    std::string iconFile = ProgramFolder() + "\\KelvoraSetUp.exe";
    std::string workingFolder = scratch_.Path();
    shortcut_.linkPath = link.c_str();
    shortcut_.iconFile = iconFile.c_str();
    shortcut_.iconIndex = 3;
    shortcut_.description = "Lists folders";
    shortcut_.workingFolder = workingFolder.c_str();
    // Only the low word is a hot key; the rest of the field must be ignored.
    shortcut_.hotKey = 0xABCD0000u | MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
    shortcut_.showCommand = SW_SHOWMINNOACTIVE;

    ASSERT_TRUE(CreateShortcut(shortcut_));

    LinkContents read = ReadLink(link);
    ASSERT_EQ(read.loaded, S_OK);
    EXPECT_TRUE(SamePathText(read.path, target_)) << read.path;
    EXPECT_EQ(read.description, "Lists folders");
    EXPECT_TRUE(SamePathText(read.iconFile, iconFile)) << read.iconFile;
    EXPECT_EQ(read.iconIndex, 3);
    EXPECT_TRUE(SamePathText(read.workingFolder, workingFolder)) << read.workingFolder;
    EXPECT_EQ(read.hotKey, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
    LinkHeader header = ReadLinkHeader(link);
    ASSERT_TRUE(header.valid);
    EXPECT_EQ(header.showCommand, static_cast<std::uint32_t>(SW_SHOWMINNOACTIVE));
    EXPECT_EQ(header.hotKey, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
    EXPECT_EQ(header.iconIndex, 3);
}

TEST_F(CreateShortcutTest, LeavesOutWhatIsNotGivenAndTakesTheIconFromTheTarget) {
    std::string link = scratch_ / "Plain.lnk";
    shortcut_.linkPath = link.c_str();

    ASSERT_TRUE(CreateShortcut(shortcut_));

    LinkContents read = ReadLink(link);
    ASSERT_EQ(read.loaded, S_OK);
    EXPECT_TRUE(SamePathText(read.path, target_)) << read.path;
    EXPECT_EQ(read.description, "");
    EXPECT_EQ(read.workingFolder, "");
    EXPECT_TRUE(SamePathText(read.iconFile, target_)) << read.iconFile;
    EXPECT_EQ(read.iconIndex, 0);
    EXPECT_EQ(read.hotKey, 0);
    LinkHeader header = ReadLinkHeader(link);
    ASSERT_TRUE(header.valid);
    EXPECT_EQ(header.showCommand, static_cast<std::uint32_t>(SW_SHOWNORMAL));
}

TEST_F(CreateShortcutTest, ReplacesAnExistingFile) {
    std::string link = scratch_ / "Old.lnk";
    ASSERT_TRUE(WriteWholeFile(link, "not a shortcut"));
    shortcut_.linkPath = link.c_str();

    ASSERT_TRUE(CreateShortcut(shortcut_));

    LinkContents read = ReadLink(link);
    ASSERT_EQ(read.loaded, S_OK);
    EXPECT_TRUE(SamePathText(read.path, target_)) << read.path;
}

TEST_F(CreateShortcutTest, FailsWithoutWritingWhenTheLinkFolderIsMissing) {
    std::string missing = scratch_ / "missing";
    std::string link = missing + "\\Bad.lnk";
    std::string workingFolder = scratch_.Path();
    shortcut_.linkPath = link.c_str();
    shortcut_.iconFile = target_.c_str();
    shortcut_.iconIndex = 1;
    shortcut_.description = "Nowhere";
    shortcut_.workingFolder = workingFolder.c_str();
    shortcut_.hotKey = MAKEWORD('Q', HOTKEYF_CONTROL);

    EXPECT_FALSE(CreateShortcut(shortcut_));

    EXPECT_FALSE(FolderExists(missing));
    EXPECT_FALSE(FileExists(link));
    EXPECT_EQ(CountEntries(scratch_.Path()), 0);
}

TEST_F(CreateShortcutTest, DoesNotSaveUnderACutNameWhenTheLinkPathIsTooLong) {
    // Longer than MAX_PATH; its first MAX_PATH - 1 characters would make a name that
    // could be written in the scratch folder.
    std::string link = scratch_ / std::string(330 - scratch_.Path().size(), 'k');
    ASSERT_GT(link.size(), static_cast<size_t>(MAX_PATH));
    shortcut_.linkPath = link.c_str();

    EXPECT_FALSE(CreateShortcut(shortcut_));

    EXPECT_EQ(CountEntries(scratch_.Path()), 0);
}

TEST_F(CreateShortcutTest, ALinkToATargetTheShellDoesNotFullyTakeIsNotWritten) {
    // A target that is not there: whether the shell's link object takes it fully (S_OK)
    // is the shell's call, asked here on its own; only then is the link written.
    std::string link = scratch_ / "Dangling.lnk";
    std::string target = scratch_ / "absent\\program.exe";
    shortcut_.linkPath = link.c_str();
    shortcut_.targetPath = target.c_str();

    IShellLinkA* probe = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&probe)),
              S_OK);
    const bool taken = probe->SetPath(target.c_str()) == S_OK;
    probe->Release();

    EXPECT_EQ(CreateShortcut(shortcut_), taken);
    EXPECT_EQ(FileExists(link), taken);
    if (!taken) {
        EXPECT_EQ(CountEntries(scratch_.Path()), 0);
    }
}

}  // namespace

// The settings file on disk: each test starts the program's way in a fresh start
// folder, then looks at the real file's bytes and at a real combo box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "settings/current_filter.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace {

using Items = std::vector<std::string>;

const char kDefaultFile[] = "[ext]\r\nExtensions=mp3,txt,zip,jpg,:\r\n";

std::string Ini(const std::string& value) {
    return "[ext]\r\nExtensions=" + value + "\r\n";
}

FILETIME LastWrite(const std::string& path) {
    FILETIME time = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        time = data.ftLastWriteTime;
    }
    return time;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The profile functions cache files; after a file is written behind their back the
// cache is dropped so that the next read sees it.
void ForgetCachedFile(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// Writes a file with a last-write time long past, so that any rewrite shows.
void WriteOldFile(const std::string& path, const std::string& content) {
    ASSERT_TRUE(WriteWholeFile(path, content));
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SYSTEMTIME past = {2001, 1, 0, 1, 12, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&past, &time);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
    ForgetCachedFile(path);
}

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
        FixSettingsFilePath();
        ASSERT_EQ(std::string(SettingsFilePath), file_);
    }
    void TearDown() override { ForgetCachedFile(file_); }

    void Store(const std::string& content) { WriteOldFile(file_, content); }
    std::string Bytes() const { return ReadWholeFile(file_); }

    // Fills a real drop-down list the way the Options dialog does and reads it back.
    Items FilterBoxItems() {
        HWND box = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 300,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(box, nullptr);
        FillFilterBox(box);
        Items items;
        LRESULT count = SendMessageA(box, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::string text(SendMessageA(box, CB_GETLBTEXTLEN, i, 0), '\0');
            std::vector<char> buffer(text.size() + 1);
            SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
            items.emplace_back(buffer.data());
        }
        DestroyWindow(box);
        EXPECT_STREQ(CurrentFilter, "*.");
        return items;
    }

    TempFolder folder_;
    const std::string file_ = folder_ / "Kelvora.ini";
};

TEST_F(SettingsFileTest, PathIsStartFolderAndFileName) {
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\"));
    FixSettingsFilePath();
    EXPECT_STREQ(SettingsFilePath, "Z:\\Kelvora.ini");

    // A start folder of 260 bytes and more: 90 Japanese letters in the UTF-8 code page.
    std::string letters;
    for (int i = 0; i < 45; ++i)
        letters += "\xE3\x81\x82";
    folder_.MakeFolder(letters + "\\" + letters);
    const std::string deep = folder_ / (letters + "\\" + letters);
    ASSERT_GE(deep.size(), 260u);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    FixSettingsFilePath();
    EXPECT_EQ(std::string(SettingsFilePath), deep + "\\Kelvora.ini");
    SetCurrentDirectoryA(folder_.Path().c_str());  // the folder goes at the end
}

TEST_F(SettingsFileTest, CreatesMissingFileWithDefaultList) {
    CopyText(CurrentFilter, kFilterCapacity, "*.old");
    LoadExtensionList();
    EXPECT_EQ(Bytes(), kDefaultFile);
    EXPECT_STREQ(CurrentFilter, "*.mp3");
    EXPECT_EQ(FilterBoxItems(), (Items{"*.mp3", "*.txt", "*.zip", "*.jpg"}));
}

TEST_F(SettingsFileTest, NeverRewritesExistingFile) {
    for (const std::string& content :
         {std::string("; mine\r\n[ext]\r\nExtensions=txt,doc,:\r\n[more]\r\nx = 1\r\n"),
          std::string(""), std::string("[other]\nkey=value\n")}) {
        SCOPED_TRACE(content);
        Store(content);
        FILETIME before = LastWrite(file_);
        LoadExtensionList();
        EXPECT_EQ(Bytes(), content);
        EXPECT_TRUE(SameTime(LastWrite(file_), before));
    }
}

// A file of the same name in another folder, there for one test only.
class ForeignFile {
public:
    ForeignFile(const std::string& folder, const std::string& content)
        : path_(folder + "\\Kelvora.ini"), content_(content) {
        made_ = GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (made_)
            WriteOldFile(path_, content_);
    }
    ~ForeignFile() {
        ForgetCachedFile(path_);
        if (made_)
            DeleteFileA(path_.c_str());
    }
    bool Untouched() const { return made_ && ReadWholeFile(path_) == content_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string content_;
    bool made_;
};

// Files of the same name where a bare file name would be looked for (the Windows folder
// for the profile functions, the program's folder first on the search path) must
// neither stop the creation nor be read or changed.
TEST_F(SettingsFileTest, SameNameElsewhereIsIgnored) {
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    char program[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    std::string programFolder(program);
    programFolder.erase(programFolder.rfind('\\'));
    const std::string foreign = Ini("zzz,:");
    const ForeignFile others[] = {{windows, foreign}, {programFolder, foreign}};

    LoadExtensionList();
    EXPECT_EQ(Bytes(), kDefaultFile);
    EXPECT_STREQ(CurrentFilter, "*.mp3");
    EXPECT_EQ(AppendExtension("doc"), ListChange::Stored);
    EXPECT_EQ(Bytes(), Ini("mp3,txt,zip,jpg,doc,:"));
    for (const ForeignFile& other : others)
        EXPECT_TRUE(other.Untouched()) << other.Path();
}

struct LoadCase {
    std::string file;
    std::string filter;
    Items items;
};

TEST_F(SettingsFileTest, FilterAndItemsFromStoredList) {
    const std::string longest(47, 'x');
    std::string overlongList;  // 60 entries, 301 characters: only 255 are read
    for (int i = 0; i < 60; ++i)
        overlongList += "abcd,";
    const LoadCase cases[] = {
        {Ini("txt,doc,:"), "*.txt", {"*.txt", "*.doc"}},
        {Ini(":"), "*.", {}},
        {Ini(",mp3,:"), "*.", {"*.", "*.mp3"}},
        {Ini("mp3,:txt,"), "*.mp3", {"*.mp3"}},
        // Damaged or hand-made values.
        {Ini("mp3,txt"), "*.mp3", {"*.mp3", "*.txt"}},
        {Ini(""), "*.", {}},
        {"[ext]\r\n", "*.", {}},
        {"[other]\r\nExtensions=mp3,:\r\n", "*.", {}},
        {Ini(longest + ",:"), "*." + longest, {"*." + longest}},
        {Ini(longest + "yz,mp3,:"), "*.", {"*." + longest, "*.mp3"}},
        // Bytes above 0x7F that read the same in the UTF-8 and the Western code page.
        {Ini("\xC3\xA9,:"), "*.\xC3\xA9", {"*.\xC3\xA9"}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.file);
        Store(c.file);
        LoadExtensionList();
        EXPECT_EQ(Bytes(), c.file);
        EXPECT_EQ(std::string(CurrentFilter), c.filter);
        EXPECT_EQ(FilterBoxItems(), c.items);
    }

    Store(Ini(overlongList + ":"));
    LoadExtensionList();
    EXPECT_STREQ(CurrentFilter, "*.abcd");
    EXPECT_EQ(FilterBoxItems(), Items(51, "*.abcd"));

    // An overlong entry is cut at 47 bytes, but never inside a UTF-8 character.
    const std::string cut(46, 'x');
    Store(Ini("mp3," + cut + "\xC3\xA9z,:"));
    EXPECT_EQ(FilterBoxItems(),
              (Items{"*.mp3", GetACP() == CP_UTF8 ? "*." + cut : "*." + cut + "\xC3"}));
}

struct ChangeCase {
    std::string before;  // the stored value
    const char* extension;
    std::string after;  // the stored value afterwards
};

TEST_F(SettingsFileTest, AppendStoresNewLastEntry) {
    const ChangeCase cases[] = {
        {"mp3,txt,zip,jpg,:", "doc", "mp3,txt,zip,jpg,doc,:"},
        {"mp3,txt,zip,jpg,:", "mp3", "mp3,txt,zip,jpg,mp3,:"},
        {"mp3,:old", "doc", "mp3,doc,:"},
        {":", "doc", "doc,:"},
        {"mp3,txt", "doc", "mp3,txt,doc,:"},
        {"", "doc", "doc,:"},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.before + " + " + c.extension);
        Store(Ini(c.before));
        EXPECT_EQ(AppendExtension(c.extension), ListChange::Stored);
        EXPECT_EQ(Bytes(), Ini(c.after));
    }
    EXPECT_EQ(FilterBoxItems(), (Items{"*.doc"}));
}

TEST_F(SettingsFileTest, RemoveDeletesFirstEqualEntry) {
    // Values longer than the 255 bytes read at start-up (written by hand) lose nothing
    // but the entry.
    std::string thirty;  // 30 entries, 361 bytes
    for (int i = 10; i < 40; ++i)
        thirty += "extension" + std::to_string(i) + ",";
    const std::string beyond = "mp3,txt,:" + std::string(300, 'r');
    const ChangeCase cases[] = {
        {thirty + ":", "extension10", thirty.substr(12) + ":"},
        {thirty + ":", "extension39", thirty.substr(0, thirty.size() - 12) + ":"},
        {beyond, "mp3", beyond.substr(4)},
        {"mp3,txt,zip,jpg,:", "txt", "mp3,zip,jpg,:"},
        {"mp3,txt,zip,jpg,:", "mp3", "txt,zip,jpg,:"},
        {"mp3,txt,zip,jpg,:", "jpg", "mp3,txt,zip,:"},
        {"html,txt,ml,:", "ml", "html,txt,:"},
        {"mp3,txt,mp3,:", "mp3", "txt,mp3,:"},
        {"mp3,:", "mp3", ":"},
        {"mp3,:old", "mp3", ":old"},
        {"mp3,txt", "txt", "mp3,:"},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.before + " - " + c.extension);
        Store(Ini(c.before));
        EXPECT_EQ(RemoveExtension(c.extension), ListChange::Stored);
        EXPECT_EQ(Bytes(), Ini(c.after));
    }
    EXPECT_EQ(FilterBoxItems(), (Items{"*.mp3"}));
}

TEST_F(SettingsFileTest, OtherSectionsAndKeysAreKept) {
    const std::string head = "[top]\r\na=1\r\n[ext]\r\nBefore=x\r\nExtensions=";
    const std::string tail = "\r\nAfter=y\r\n[end]\r\nb=2\r\n";
    Store(head + "mp3,:" + tail);
    EXPECT_EQ(AppendExtension("doc"), ListChange::Stored);
    EXPECT_EQ(Bytes(), head + "mp3,doc,:" + tail);
    EXPECT_EQ(RemoveExtension("mp3"), ListChange::Stored);
    EXPECT_EQ(Bytes(), head + "doc,:" + tail);
}

// Whatever is refused or not found, the file keeps its bytes and is not even rewritten.
TEST_F(SettingsFileTest, RefusedChangesLeaveFileAlone) {
    std::string full;  // 5 entries of 47 characters and the ":": 241 characters
    for (char c = 'a'; c < 'f'; ++c)
        full += std::string(47, c) + ",";
    full += ":";
    const std::string tooLong(48, 'x');
    struct Refusal {
        std::string value;
        ListChange (*change)(const char*);
        const char* extension;
        ListChange result;
    } const refusals[] = {
        {"mp3,txt,zip,jpg,:", RemoveExtension, "MP3", ListChange::NotFound},
        {"mp3, txt,:", RemoveExtension, "mp3", ListChange::LeadingBlank},
        {"mp3,txt,zip,jpg,:", RemoveExtension, "doc", ListChange::NotFound},
        {"mp3,:txt,", RemoveExtension, "txt", ListChange::NotFound},
        {":", RemoveExtension, "mp3", ListChange::NotFound},
        {"mp3,:", AppendExtension, tooLong.c_str(), ListChange::TooLong},
        {"mp3,:", RemoveExtension, tooLong.c_str(), ListChange::NotFound},
        {"mp3,:", AppendExtension, "a,b", ListChange::BadCharacter},
        {"mp3,:", AppendExtension, "a:b", ListChange::BadCharacter},
        {"mp3,:", AppendExtension, "a\r\nb", ListChange::BadCharacter},
        {"mp3,:", RemoveExtension, "mp3,", ListChange::BadCharacter},
        {"mp3,:", AppendExtension, nullptr, ListChange::BadCharacter},
        {full, AppendExtension, "abcdefghijklmn", ListChange::ListFull},
        {"," + std::string(254, 'a'), RemoveExtension, "", ListChange::ListFull},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.value + (r.change == AppendExtension ? " + " : " - ") +
                     (r.extension ? r.extension : "(null)"));
        Store(Ini(r.value));
        FILETIME before = LastWrite(file_);
        EXPECT_EQ(r.change(r.extension), r.result);
        EXPECT_EQ(Bytes(), Ini(r.value));
        EXPECT_TRUE(SameTime(LastWrite(file_), before));
    }
    // The longest value that fits is stored.
    Store(Ini(full));
    EXPECT_EQ(AppendExtension("abcdefghijklm"), ListChange::Stored);
}

// A file that cannot be written gives WriteFailed and keeps its bytes, and what is read
// afterwards is what the file holds, not the change that failed.
TEST_F(SettingsFileTest, UnwritableFileGivesWriteFailedAndKeepsList) {
    const Items stored = {"*.mp3", "*.txt", "*.zip", "*.jpg"};
    Store(kDefaultFile);
    {
        // Another program has the file open for reading and lets no one write it.
        HANDLE holder = CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_EQ(AppendExtension("doc"), ListChange::WriteFailed);
        EXPECT_EQ(RemoveExtension("mp3"), ListChange::WriteFailed);
        EXPECT_EQ(FilterBoxItems(), stored);
        CloseHandle(holder);
        EXPECT_EQ(Bytes(), kDefaultFile);
        EXPECT_EQ(FilterBoxItems(), stored);
    }

    // Read-only holds even for a user the system would let write the file (root under
    // Wine).
    ASSERT_TRUE(SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(AppendExtension("doc"), ListChange::WriteFailed);
    EXPECT_EQ(RemoveExtension("mp3"), ListChange::WriteFailed);
    EXPECT_EQ(Bytes(), kDefaultFile);
    EXPECT_EQ(FilterBoxItems(), stored);
    EXPECT_EQ(RemoveExtension("doc"), ListChange::NotFound);
    LoadExtensionList();
    EXPECT_STREQ(CurrentFilter, "*.mp3");
    EXPECT_EQ(Bytes(), kDefaultFile);
}

}  // namespace

// File helpers and a shortcut reader for the set-up tests.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "support/temp_folder.h"

// A fresh, empty folder removed with everything in it afterwards. It sits on the
// system drive, like a downloaded package usually does.
class ScratchFolder {
public:
    ScratchFolder();
    // The same in another folder, such as the root of another drive ("K:\\").
    explicit ScratchFolder(const std::string& base);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Full path without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Names directly in a folder, without "." and "..".
int CountEntries(const std::string& folder);

// The folder of the running test program, where the build puts the programs under test.
std::string ProgramFolder();
// A shell folder (CSIDL_) without a trailing backslash; empty when unknown.
std::string ShellFolder(int csidl);

// What a .lnk file holds, read back through the shell's link object.
struct LinkContents {
    HRESULT loaded = E_FAIL;  // result of IPersistFile::Load
    std::string path;
    std::string workingFolder;
    std::string description;
    std::string iconFile;
    int iconIndex = -1;
    WORD hotKey = 0xFFFF;
};
LinkContents ReadLink(const std::string& linkPath);

// The fixed header at the start of a .lnk file, read from the bytes. Wine's link object
// reports SW_SHOWNORMAL after loading whatever show command the file holds, so that
// field is checked here.
struct LinkHeader {
    bool valid = false;  // the file starts with a shell link header
    std::int32_t iconIndex = -1;
    std::uint32_t showCommand = 0xFFFFFFFF;
    std::uint16_t hotKey = 0xFFFF;
};
LinkHeader ReadLinkHeader(const std::string& linkPath);

// Case-insensitive comparison of two paths as texts.
bool SamePathText(const std::string& a, const std::string& b);

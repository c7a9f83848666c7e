// A fresh folder per test under the Linux /tmp (Z:\tmp under Wine), removed with all
// its contents afterwards. Helpers make files and folders in it.
#pragma once
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path without a trailing backslash, e.g. Z:\tmp\kelvora-test-1234-1.
    const std::string& Path() const { return path_; }
    // Path of a name relative to the folder ("a\\b").
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }
    // Makes a folder (and its parents) relative to the folder.
    void MakeFolder(const std::string& relative) const;
    // Makes a file with the given content, creating its folder as needed.
    void MakeFile(const std::string& relative, const std::string& content = "") const;

private:
    std::string path_;
};

// Removes a file or a folder with all it holds; nothing when it is not there.
void RemoveTree(const std::string& path);
// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes a whole file, replacing it.
bool WriteWholeFile(const std::string& path, const std::string& content);

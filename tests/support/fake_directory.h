// An in-memory stand-in for the disk: drives of any type, folders that cannot be
// entered or searched, and searches that report entries in a chosen order.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tree/directory_service.h"

class FakeDirectory : public DirectoryService {
public:
    struct Entry {
        std::string name;
        DWORD attributes;
        DWORD reparseTag = 0;  // reported in dwReserved0
    };

    FakeDirectory() { UseDirectoryService(this); }
    ~FakeDirectory() override { UseDirectoryService(nullptr); }

    // A drive, e.g. AddDrive('C', DRIVE_FIXED); its root folder exists.
    void AddDrive(char letter, UINT type);
    // A folder with its entries, in the order the search reports them. Paths are
    // absolute with a trailing backslash, e.g. "C:\\a\\".
    void SetEntries(const std::string& folder, std::vector<Entry> entries);
    void Unenterable(const std::string& folder) { unenterable_.insert(folder); }
    void Unsearchable(const std::string& folder) { unsearchable_.insert(folder); }

    std::string cwd = "C:\\";  // the start folder
    // When set, what LogicalDriveStrings reports (each root and its zero), whatever the
    // drives are: a drive that came or went between the two calls.
    std::string driveStrings;
    int openSearches = 0;
    std::vector<std::string> entered;  // every folder CanEnter allowed

    DWORD LogicalDrives() override;
    DWORD LogicalDriveStrings(DWORD size, char* buffer) override;
    UINT DriveType(const char* root) override;
    bool StartFolder(char* buffer, int capacity) override;
    bool CanEnter(const char* folder) override;
    HANDLE FindFirst(const char* folder, const char* pattern, FoundEntry* entry) override;
    bool FindNext(HANDLE search, FoundEntry* entry) override;
    void CloseSearch(HANDLE search) override;

    static Entry Folder(const std::string& name) { return {name, FILE_ATTRIBUTE_DIRECTORY}; }
    // A symbolic link to a folder, as Windows reports it.
    static Entry Link(const std::string& name) { return Tagged(name, IO_REPARSE_TAG_SYMLINK); }
    // A folder that is a reparse point with the given tag (0: a tag the system did not
    // report, as Wine's searches do).
    static Entry Tagged(const std::string& name, DWORD tag) {
        return {name, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, tag};
    }
    static Entry File(const std::string& name) { return {name, FILE_ATTRIBUTE_NORMAL}; }

private:
    std::map<char, UINT> drives_;
    std::map<std::string, std::vector<Entry>> folders_;
    std::set<std::string> unenterable_;
    std::set<std::string> unsearchable_;
    struct Search {
        std::vector<Entry> entries;
        size_t next;
    };
    std::map<int, Search> searches_;
    int nextHandle_ = 1;
};

// What the folder tree and the listing generator ask of the disk: the drives, the
// folder the program was started in, whether a folder can be entered, and searches of
// a folder given by its absolute path. The program never moves the process current
// directory: Windows keeps that folder open, so that it could be neither renamed nor
// removed, nor its drive ejected, while the program runs. The program uses the
// system's service; tests put a stand-in in its place for what cannot be made on disk
// (a drive of each type, a directory that cannot be entered, a search that fails,
// names longer than a Linux file system takes).
#pragma once
#include <windows.h>

// The longest name a search reports, 255 UTF-16 units, in UTF-8: three bytes a unit
// at most (a character outside the Basic Multilingual Plane takes two units and
// four bytes), and the zero.
constexpr int kFoundNameCapacity = 3 * MAX_PATH + 1;

// One entry of a directory search.
struct FoundEntry {
    DWORD attributes;
    DWORD reparseTag;               // the reparse point's tag when attributes hold one, else 0
    char name[kFoundNameCapacity];  // whole, in the ANSI code page
};

class DirectoryService {
public:
    virtual ~DirectoryService() = default;
    virtual DWORD LogicalDrives() = 0;
    virtual DWORD LogicalDriveStrings(DWORD size, char* buffer) = 0;
    virtual UINT DriveType(const char* root) = 0;
    // The process current directory, absolute with a trailing backslash; false when it
    // does not fit capacity bytes.
    virtual bool StartFolder(char* buffer, int capacity) = 0;
    // Whether the folder (absolute, with a trailing backslash) exists and could be made
    // the current directory.
    virtual bool CanEnter(const char* folder) = 0;
    // Searches folder (absolute, with a trailing backslash) for pattern ("*.*", a
    // filter such as "*.mp3", or a name); INVALID_HANDLE_VALUE when nothing is found.
    virtual HANDLE FindFirst(const char* folder, const char* pattern, FoundEntry* entry) = 0;
    virtual bool FindNext(HANDLE search, FoundEntry* entry) = 0;
    virtual void CloseSearch(HANDLE search) = 0;
};

// The service in use: the system's unless a test installed another.
DirectoryService& Directory();

// Installs a stand-in; nullptr goes back to the system's.
void UseDirectoryService(DirectoryService* service);

// True for an entry that the tree shows as a folder: a directory whose name does
// not begin with a dot.
bool IsShownFolder(const FoundEntry& entry);

// True for a directory entry that is a symbolic link or junction, told by the
// reparse tag the search reported; the one test of a link for the whole program.
bool IsLinkFolder(const FoundEntry& entry);

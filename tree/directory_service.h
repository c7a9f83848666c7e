// What the folder tree and the listing generator ask of the disk: the drives, the
// process current directory and directory searches. The program uses the system's
// own; tests put a stand-in in its place for what cannot be made on disk (a drive of
// each type, a directory that cannot be entered, a search that fails).
#pragma once
#include <windows.h>

class DirectoryService {
public:
    virtual ~DirectoryService() = default;
    virtual DWORD LogicalDrives() = 0;
    virtual DWORD LogicalDriveStrings(DWORD size, char* buffer) = 0;
    virtual UINT DriveType(const char* root) = 0;
    virtual bool ChangeDirectory(const char* path) = 0;
    virtual HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) = 0;
    virtual bool FindNext(HANDLE search, WIN32_FIND_DATAA* entry) = 0;
    virtual void CloseSearch(HANDLE search) = 0;
};

// The service in use: the system's unless a test installed another.
DirectoryService& Directory();

// Installs a stand-in; nullptr goes back to the system's.
void UseDirectoryService(DirectoryService* service);

// True for an entry that the tree shows as a folder: a directory whose name does
// not begin with a dot.
bool IsShownFolder(const WIN32_FIND_DATAA& entry);

// True for a directory entry that is a symbolic link or junction, told by the
// reparse tag the search reported; the one test of a link for the whole program.
bool IsLinkFolder(const WIN32_FIND_DATAA& entry);

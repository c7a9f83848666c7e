#include "tree/directory_service.h"

#include <cstring>

namespace {

class SystemDirectory : public DirectoryService {
public:
    DWORD LogicalDrives() override { return GetLogicalDrives(); }
    DWORD LogicalDriveStrings(DWORD size, char* buffer) override {
        return GetLogicalDriveStringsA(size, buffer);
    }
    UINT DriveType(const char* root) override { return GetDriveTypeA(root); }
    bool ChangeDirectory(const char* path) override { return SetCurrentDirectoryA(path) != 0; }
    // The entry is cleared first: a system that does not fill the reparse tag (Wine's
    // 8-bit searches leave dwReserved0 as it was) then reports none, never stale bytes.
    HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) override {
        std::memset(entry, 0, sizeof *entry);
        return FindFirstFileA(pattern, entry);
    }
    bool FindNext(HANDLE search, WIN32_FIND_DATAA* entry) override {
        std::memset(entry, 0, sizeof *entry);
        return FindNextFileA(search, entry) != 0;
    }
    void CloseSearch(HANDLE search) override { FindClose(search); }
};

SystemDirectory systemDirectory;
DirectoryService* current = &systemDirectory;

}  // namespace

DirectoryService& Directory() {
    return *current;
}

void UseDirectoryService(DirectoryService* service) {
    current = service ? service : &systemDirectory;
}

bool IsShownFolder(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && entry.cFileName[0] != '.';
}

bool IsLinkFolder(const WIN32_FIND_DATAA& entry) {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return false;
    // The search reports the reparse tag in dwReserved0. Cloud placeholders,
    // deduplicated and other tagged folders hold their own contents and are folders
    // like any other. No real reparse point carries tag 0: a reparse point whose tag
    // was not reported (Wine's Unix symbolic links) counts as a link.
    const DWORD tag = entry.dwReserved0;
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == 0;
}

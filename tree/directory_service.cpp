#include "tree/directory_service.h"

namespace {

class SystemDirectory : public DirectoryService {
public:
    DWORD LogicalDrives() override { return GetLogicalDrives(); }
    DWORD LogicalDriveStrings(DWORD size, char* buffer) override {
        return GetLogicalDriveStringsA(size, buffer);
    }
    UINT DriveType(const char* root) override { return GetDriveTypeA(root); }
    bool ChangeDirectory(const char* path) override { return SetCurrentDirectoryA(path) != 0; }
    HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) override {
        return FindFirstFileA(pattern, entry);
    }
    bool FindNext(HANDLE search, WIN32_FIND_DATAA* entry) override {
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
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

#include "tree/directory_service.h"

#include <cstring>
#include <string>

#include "base/wide_text.h"

namespace {

// The folder and pattern as one absolute path for the wide calls. The "\\?\" prefix
// lifts the MAX_PATH limit of the 8-bit calls and of relative paths, so every folder
// whose path fits the program's path buffers can be read.
std::wstring LongPath(const char* folder, const char* pattern) {
    std::wstring path = WideFromAnsi(folder);
    // A share (\\server\share\...) takes the prefix's own form for shares; a path that
    // has the prefix already keeps it.
    if (path.compare(0, 4, L"\\\\?\\") != 0) {
        path =
            path.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + path.substr(2) : L"\\\\?\\" + path;
    }
    path += WideFromAnsi(pattern);
    return path;
}

// Fills entry from a wide search record; false for a name that cannot be spelled in
// the ANSI code page's buffer (never under UTF-8).
bool TakeEntry(const WIN32_FIND_DATAW& found, FoundEntry* entry) {
    entry->attributes = found.dwFileAttributes;
    entry->reparseTag =
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
    return AnsiFromWideInto(found.cFileName, entry->name, sizeof entry->name);
}

class SystemDirectory : public DirectoryService {
public:
    DWORD LogicalDrives() override { return GetLogicalDrives(); }
    DWORD LogicalDriveStrings(DWORD size, char* buffer) override {
        return GetLogicalDriveStringsA(size, buffer);
    }
    UINT DriveType(const char* root) override { return GetDriveTypeA(root); }
    bool StartFolder(char* buffer, int capacity) override {
        wchar_t wide[32768];
        const DWORD units = GetCurrentDirectoryW(sizeof wide / sizeof wide[0], wide);
        if (units == 0 || units >= sizeof wide / sizeof wide[0])
            return false;
        std::wstring path(wide, units);
        if (path.back() != L'\\')
            path += L'\\';
        return AnsiFromWideInto(path.c_str(), buffer, capacity);
    }
    // Opens the folder as SetCurrentDirectory does (for traversal), without moving
    // the current directory.
    bool CanEnter(const char* folder) override {
        HANDLE handle = CreateFileW(LongPath(folder, "").c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info;
        const bool folderOpened = GetFileInformationByHandle(handle, &info) &&
                                  (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        CloseHandle(handle);
        return folderOpened;
    }
    // The basic information level leaves out the short name, and the large fetch takes
    // more entries a call.
    HANDLE FindFirst(const char* folder, const char* pattern, FoundEntry* entry) override {
        WIN32_FIND_DATAW found;
        std::memset(&found, 0, sizeof found);
        HANDLE search = FindFirstFileExW(LongPath(folder, pattern).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE)
            return search;
        if (!TakeEntry(found, entry) && !FindNext(search, entry)) {
            FindClose(search);
            return INVALID_HANDLE_VALUE;
        }
        return search;
    }
    bool FindNext(HANDLE search, FoundEntry* entry) override {
        WIN32_FIND_DATAW found;
        for (;;) {
            // Cleared first: a system that does not fill the reparse tag then reports
            // none, never stale bytes.
            std::memset(&found, 0, sizeof found);
            if (!FindNextFileW(search, &found))
                return false;
            if (TakeEntry(found, entry))
                return true;
        }
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

bool IsShownFolder(const FoundEntry& entry) {
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && entry.name[0] != '.';
}

bool IsLinkFolder(const FoundEntry& entry) {
    if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return false;
    // Cloud placeholders, deduplicated and other tagged folders hold their own
    // contents and are folders like any other. No real reparse point carries tag 0: a
    // reparse point whose tag was not reported (Wine's Unix symbolic links) counts as
    // a link.
    const DWORD tag = entry.reparseTag;
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == 0;
}

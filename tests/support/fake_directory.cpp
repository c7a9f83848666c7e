#include "support/fake_directory.h"

#include <cstring>

void FakeDirectory::AddDrive(char letter, UINT type) {
    drives_[letter] = type;
    std::string root = std::string(1, letter) + ":\\";
    if (!folders_.count(root))
        folders_[root] = {};
}

void FakeDirectory::SetEntries(const std::string& folder, std::vector<Entry> entries) {
    folders_[folder] = entries;
    for (const Entry& e : entries) {
        if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::string child = folder + e.name + "\\";
            if (!folders_.count(child))
                folders_[child] = {};
        }
    }
}

DWORD FakeDirectory::LogicalDrives() {
    DWORD mask = 0;
    for (const auto& d : drives_)
        mask |= 1u << (d.first - 'A');
    return mask;
}

DWORD FakeDirectory::LogicalDriveStrings(DWORD size, char* buffer) {
    std::string all;
    for (const auto& d : drives_) {
        all += d.first;
        all += ":\\";
        all += '\0';
    }
    if (all.size() + 1 > size)
        return static_cast<DWORD>(all.size() + 1);
    std::memcpy(buffer, all.data(), all.size());
    buffer[all.size()] = '\0';
    return static_cast<DWORD>(all.size());
}

UINT FakeDirectory::DriveType(const char* root) {
    auto it = drives_.find(root[0]);
    return it == drives_.end() ? DRIVE_NO_ROOT_DIR : it->second;
}

bool FakeDirectory::ChangeDirectory(const char* path) {
    std::string target = path;
    if (target.size() < 2 || target[1] != ':')
        target = cwd + target;
    if (target.back() != '\\')
        target += '\\';
    if (!folders_.count(target) || unenterable_.count(target))
        return false;
    cwd = target;
    entered.push_back(target);
    return true;
}

HANDLE FakeDirectory::FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) {
    if (unsearchable_.count(cwd))
        return INVALID_HANDLE_VALUE;
    std::string p = pattern;
    std::vector<Entry> matches;
    const std::vector<Entry>& all = folders_[cwd];
    if (p == "*.*") {
        matches.push_back(Folder("."));
        matches.push_back(Folder(".."));
        matches.insert(matches.end(), all.begin(), all.end());
    } else if (p == "*.") {  // names without an extension
        for (const Entry& e : all) {
            if (e.name.find('.') == std::string::npos)
                matches.push_back(e);
        }
    } else if (p.size() > 2 && p.compare(0, 2, "*.") == 0) {
        std::string ext = p.substr(1);
        for (const Entry& e : all) {
            if (e.name.size() >= ext.size() &&
                _stricmp(e.name.c_str() + e.name.size() - ext.size(), ext.c_str()) == 0) {
                matches.push_back(e);
            }
        }
    } else {
        // An exact name: the folder itself (a path without a trailing backslash).
        std::string parent = p.substr(0, p.rfind('\\') + 1);
        std::string name = p.substr(p.rfind('\\') + 1);
        for (const Entry& e : folders_[parent]) {
            if (e.name == name)
                matches.push_back(e);
        }
    }
    if (matches.empty())
        return INVALID_HANDLE_VALUE;
    int handle = nextHandle_++;
    searches_[handle] = {matches, 1};
    ++openSearches;
    std::memset(entry, 0, sizeof *entry);
    entry->dwFileAttributes = matches[0].attributes;
    entry->dwReserved0 = matches[0].reparseTag;
    std::strncpy(entry->cFileName, matches[0].name.c_str(), MAX_PATH - 1);
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

bool FakeDirectory::FindNext(HANDLE search, WIN32_FIND_DATAA* entry) {
    Search& s = searches_[static_cast<int>(reinterpret_cast<intptr_t>(search))];
    if (s.next >= s.entries.size())
        return false;
    std::memset(entry, 0, sizeof *entry);
    entry->dwFileAttributes = s.entries[s.next].attributes;
    entry->dwReserved0 = s.entries[s.next].reparseTag;
    std::strncpy(entry->cFileName, s.entries[s.next].name.c_str(), MAX_PATH - 1);
    ++s.next;
    return true;
}

void FakeDirectory::CloseSearch(HANDLE search) {
    searches_.erase(static_cast<int>(reinterpret_cast<intptr_t>(search)));
    --openSearches;
}

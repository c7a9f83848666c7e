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
    std::string all = driveStrings;
    for (const auto& d : drives_) {
        if (!driveStrings.empty())
            break;
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

bool FakeDirectory::StartFolder(char* buffer, int capacity) {
    if (cwd.size() + 1 > static_cast<size_t>(capacity))
        return false;
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return true;
}

bool FakeDirectory::CanEnter(const char* folder) {
    std::string target = folder;
    if (target.empty() || target.back() != '\\')
        target += '\\';
    if (!folders_.count(target) || unenterable_.count(target))
        return false;
    entered.push_back(target);
    return true;
}

namespace {

void Fill(const FakeDirectory::Entry& from, FoundEntry* entry) {
    std::memset(entry, 0, sizeof *entry);
    entry->attributes = from.attributes;
    entry->reparseTag = from.reparseTag;
    std::strncpy(entry->name, from.name.c_str(), sizeof entry->name - 1);
}

}  // namespace

HANDLE FakeDirectory::FindFirst(const char* folder, const char* pattern, FoundEntry* entry) {
    const std::string in = folder;
    if (unsearchable_.count(in) || !folders_.count(in))
        return INVALID_HANDLE_VALUE;
    std::string p = pattern;
    std::vector<Entry> matches;
    const std::vector<Entry>& all = folders_[in];
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
        for (const Entry& e : all) {  // an exact name
            if (e.name == p)
                matches.push_back(e);
        }
    }
    if (matches.empty())
        return INVALID_HANDLE_VALUE;
    int handle = nextHandle_++;
    searches_[handle] = {matches, 1};
    ++openSearches;
    Fill(matches[0], entry);
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

bool FakeDirectory::FindNext(HANDLE search, FoundEntry* entry) {
    Search& s = searches_[static_cast<int>(reinterpret_cast<intptr_t>(search))];
    if (s.next >= s.entries.size())
        return false;
    Fill(s.entries[s.next], entry);
    ++s.next;
    return true;
}

void FakeDirectory::CloseSearch(HANDLE search) {
    searches_.erase(static_cast<int>(reinterpret_cast<intptr_t>(search)));
    --openSearches;
}

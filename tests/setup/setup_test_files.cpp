#include "setup_test_files.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

int scratchCounter = 0;

std::string SystemTempFolder() {
    char temp[MAX_PATH + 1] = "";
    DWORD length = GetTempPathA(sizeof(temp), temp);
    return length > 0 && length < sizeof(temp) ? temp : "C:\\";
}

}  // namespace

ScratchFolder::ScratchFolder() : ScratchFolder(SystemTempFolder()) {}

ScratchFolder::ScratchFolder(const std::string& folder) {
    std::string base = folder;
    if (base.back() != '\\')
        base += "\\";
    ++scratchCounter;
    path_ = base + "kelvora-setup-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(scratchCounter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    char current[MAX_PATH + 1] = "";
    GetCurrentDirectoryA(sizeof(current), current);
    if (SamePathText(current, path_) || SamePathText(current, path_ + "\\")) {
        SetCurrentDirectoryA("C:\\");
    }
    RemoveTree(path_);
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int CountEntries(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            ++count;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return "";
    std::string folder = path;
    size_t slash = folder.rfind('\\');
    return slash == std::string::npos ? "" : folder.substr(0, slash);
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH + 1] = "";
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE))
        return "";
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

LinkContents ReadLink(const std::string& linkPath) {
    LinkContents contents;
    IShellLinkA* link = nullptr;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link)) != S_OK) {
        return contents;
    }
    IPersistFile* file = nullptr;
    if (link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) != S_OK) {
        link->Release();
        return contents;
    }
    WCHAR wide[MAX_PATH + 1] = L"";
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH + 1);
    contents.loaded = file->Load(wide, STGM_READ);
    if (contents.loaded == S_OK) {
        char text[INFOTIPSIZE + 1] = "";
        // No SLGP_ flag: the path as stored, not resolved.
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0)))
            contents.path = text;
        text[0] = '\0';
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
            contents.workingFolder = text;
        text[0] = '\0';
        if (SUCCEEDED(link->GetDescription(text, INFOTIPSIZE)))
            contents.description = text;
        text[0] = '\0';
        int index = -1;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
            contents.iconFile = text;
            contents.iconIndex = index;
        }
        link->GetHotkey(&contents.hotKey);
    }
    file->Release();
    link->Release();
    return contents;
}

LinkHeader ReadLinkHeader(const std::string& linkPath) {
    // Header size, class id, flags, attributes, three times, file size, then the fields.
    const size_t kHeaderSize = 0x4C;
    const size_t kIconIndexAt = 0x38;
    const size_t kShowCommandAt = 0x3C;
    const size_t kHotKeyAt = 0x40;
    LinkHeader header;
    std::string bytes = ReadWholeFile(linkPath);
    if (bytes.size() < kHeaderSize)
        return header;
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data(), sizeof(size));
    CLSID id;
    std::memcpy(&id, bytes.data() + sizeof(size), sizeof(id));
    if (size != kHeaderSize || !IsEqualCLSID(id, CLSID_ShellLink))
        return header;
    header.valid = true;
    std::memcpy(&header.iconIndex, bytes.data() + kIconIndexAt, sizeof(header.iconIndex));
    std::memcpy(&header.showCommand, bytes.data() + kShowCommandAt, sizeof(header.showCommand));
    std::memcpy(&header.hotKey, bytes.data() + kHotKeyAt, sizeof(header.hotKey));
    return header;
}

bool SamePathText(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

#include "support/temp_folder.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <sstream>

namespace {

int counter = 0;

}  // namespace

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = entry.cFileName;
                if (name != "." && name != "..")
                    RemoveTree(path + "\\" + name);
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
    }
    RemoveDirectoryA(path.c_str());
}

TempFolder::TempFolder() {
    ++counter;
    path_ = "Z:\\tmp\\kelvora-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter) + "-" + std::to_string(GetTickCount() % 100000);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    // Leave the folder before removing it.
    SetCurrentDirectoryA("Z:\\tmp");
    RemoveTree(path_);
}

void TempFolder::MakeFolder(const std::string& relative) const {
    std::string at = path_;
    std::stringstream parts(relative);
    std::string part;
    while (std::getline(parts, part, '\\')) {
        at += "\\" + part;
        CreateDirectoryA(at.c_str(), nullptr);
    }
}

void TempFolder::MakeFile(const std::string& relative, const std::string& content) const {
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos)
        MakeFolder(relative.substr(0, slash));
    WriteWholeFile(*this / relative, content);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

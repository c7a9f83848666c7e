#include "install.h"

#include "shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

namespace {

const char kProgramsFolder[] = "Programs\\";
const char kLinkName[] = "Kelvora.lnk";
const char kProductFolder[] = "Kelvora";
const char kProgramName[] = "Kelvora.exe";
const char kSettingsName[] = "Kelvora.ini";
const char kInstallFolder[] = "c:\\Kelvora";
const char kProgramPath[] = "c:\\kelvora\\kelvora.exe";
const char kTitle[] = "Kelvora Set-Up";

constexpr size_t kPathBytes = 1024;
static_assert(kPathBytes >= MAX_PATH, "the shell writes folder paths of up to MAX_PATH");
// Room for three whole paths and the sentences around them.
constexpr size_t kMessageBytes = 4 * kPathBytes;

// Appends text when the whole of it fits with the terminator; otherwise leaves the
// buffer as it was and returns false.
bool AppendPath(char* buffer, size_t size, const char* text) {
    const void* end = std::memchr(buffer, '\0', size);
    if (!end)
        return false;
    size_t used = static_cast<size_t>(static_cast<const char*>(end) - buffer);
    size_t extra = std::strlen(text);
    if (extra >= size - used)
        return false;
    std::memcpy(buffer + used, text, extra + 1);
    return true;
}

// Copies text into an empty path buffer; false, and the buffer empty, when it does not fit.
bool SetPath(char* buffer, size_t size, const char* text) {
    buffer[0] = '\0';
    return AppendPath(buffer, size, text);
}

// Fills a buffer of at least MAX_PATH bytes with a shell folder; false, and an empty
// buffer, when the shell does not know the folder.
bool GetShellFolder(char* buffer, int folder) {
    buffer[0] = '\0';
    if (!SHGetSpecialFolderPathA(nullptr, buffer, folder, FALSE)) {
        buffer[0] = '\0';
        return false;
    }
    return buffer[0] != '\0';
}

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Whether two paths name one folder, however they are spelt (c:\ started as the
// working directory makes the product folder c:\Kelvora itself).
bool SameFolder(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE folder =
            CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (folder == INVALID_HANDLE_VALUE)
            return false;
        BOOL known = GetFileInformationByHandle(folder, &info[i]);
        CloseHandle(folder);
        if (!known)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// Whether two paths are on one volume as far as their volume roots tell; taken as one
// when a root cannot be found.
bool SameVolume(const char* a, const char* b) {
    char rootA[kPathBytes];
    char rootB[kPathBytes];
    if (!GetVolumePathNameA(a, rootA, sizeof(rootA)) ||
        !GetVolumePathNameA(b, rootB, sizeof(rootB)))
        return true;
    return lstrcmpiA(rootA, rootB) == 0;
}

// The text of the one message box, in a fixed buffer. What does not fit is cut at a
// character boundary.
class Message {
public:
    Message() { text_[0] = '\0'; }

    Message& operator<<(const char* text) {
        size_t room = sizeof(text_) - 1 - used_;
        size_t length = std::strlen(text);
        if (length > room) {
            length = room;
            // Not inside a UTF-8 sequence: back off to the byte that starts one.
            while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
                --length;
        }
        std::memcpy(text_ + used_, text, length);
        used_ += length;
        text_[used_] = '\0';
        return *this;
    }

    Message& operator<<(unsigned long number) {
        char digits[24];
        std::snprintf(digits, sizeof(digits), "%lu", number);
        return *this << digits;
    }

    const char* Text() const { return text_; }

private:
    char text_[kMessageBytes];
    size_t used_ = 0;
};

// Where a copy or a removal stopped.
struct Failure {
    char path[kPathBytes];
    DWORD error;
};

bool Fail(Failure* failure, const char* path, DWORD error) {
    if (!SetPath(failure->path, sizeof(failure->path), path))
        SetPath(failure->path, sizeof(failure->path), "(a path too long to show)");
    failure->error = error;
    return false;
}

// Both walks below take buffers of kPathBytes holding a folder's path, add the names
// of its entries in turn and give the buffers back as they came.

// Puts "\name" after a path; false when it does not fit.
bool Enter(char* path, const char* name) {
    return AppendPath(path, kPathBytes, "\\") && AppendPath(path, kPathBytes, name);
}

// Copies the folder source to target, making target when it is not there and
// replacing files of the same name in it. In the top folder an existing Kelvora.ini,
// the user's settings, is kept.
bool CopyFolder(char* source, char* target, bool top, Failure* failure) {
    if (!CreateDirectoryA(target, nullptr) && !FolderExists(target))
        return Fail(failure, target, GetLastError());

    const size_t sourceLength = std::strlen(source);
    const size_t targetLength = std::strlen(target);
    if (!Enter(source, "*")) {
        source[sourceLength] = '\0';
        return Fail(failure, source, ERROR_FILENAME_EXCED_RANGE);
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(source, &entry);
    DWORD searchError = GetLastError();
    source[sourceLength] = '\0';
    if (search == INVALID_HANDLE_VALUE)
        return Fail(failure, source, searchError);

    bool whole = true;
    do {
        if (IsDotEntry(entry.cFileName))
            continue;
        if (!Enter(source, entry.cFileName) || !Enter(target, entry.cFileName)) {
            whole = Fail(failure, source, ERROR_FILENAME_EXCED_RANGE);
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            whole = CopyFolder(source, target, false, failure);
        } else if (top && lstrcmpiA(entry.cFileName, kSettingsName) == 0 && FileExists(target)) {
            // The installed settings stay; the folder's own are dropped with it.
        } else if (!CopyFileA(source, target, FALSE)) {
            whole = Fail(failure, target, GetLastError());
        }
        source[sourceLength] = '\0';
        target[targetLength] = '\0';
    } while (whole && FindNextFileA(search, &entry));
    if (whole && GetLastError() != ERROR_NO_MORE_FILES)
        whole = Fail(failure, source, GetLastError());
    FindClose(search);
    return whole;
}

// Removes a folder and everything in it, read-only files too; false when something
// stays.
bool RemoveFolder(char* path) {
    const size_t length = std::strlen(path);
    bool whole = true;
    if (Enter(path, "*")) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(path, &entry);
        path[length] = '\0';
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (IsDotEntry(entry.cFileName) || !Enter(path, entry.cFileName)) {
                    path[length] = '\0';
                    continue;
                }
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    whole = RemoveFolder(path) && whole;
                } else {
                    if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                        SetFileAttributesA(path, entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
                    whole = DeleteFileA(path) && whole;
                }
                path[length] = '\0';
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
    }
    path[length] = '\0';
    return RemoveDirectoryA(path) && whole;
}

const char kRunAgain[] = "then run KelvoraSetUp.exe again.";

// Brings the product folder of the working directory to c:\Kelvora, or finds the
// program installed there already.
int PlaceProductFolder(const InstallCalls& calls, Message& message) {
    char source[kPathBytes];
    DWORD length = GetFullPathNameA(kProductFolder, sizeof(source), source, nullptr);
    if (length == 0 || length >= sizeof(source))
        SetPath(source, sizeof(source), kProductFolder);

    if (!FolderExists(source)) {
        // A second run, after the folder was moved, finds the program in place.
        if (FileExists(kProgramPath))
            return kInstalled;
        message << "The set-up did not find the folder \"Kelvora\" beside it:\r\n\r\n"
                << source << "\r\n\r\nand Kelvora is not installed in c:\\Kelvora either.\r\n\r\n"
                << "Unpack the whole zip first (in Explorer: right-click it, Extract All), "
                << "open the unpacked folder and " << kRunAgain;
        return kNoProductFolder;
    }

    char sourceProgram[kPathBytes];
    if (!SetPath(sourceProgram, sizeof(sourceProgram), source) ||
        !Enter(sourceProgram, kProgramName) || !FileExists(sourceProgram)) {
        message << "The folder\r\n\r\n"
                << source << "\r\n\r\ndoes not hold Kelvora.exe, so nothing was installed.\r\n\r\n"
                << "Unpack the whole zip again, open the unpacked folder and " << kRunAgain;
        return kNoProductFolder;
    }

    if (SameFolder(source, kInstallFolder))
        return kInstalled;

    const bool update = Exists(kInstallFolder);
    if (!update) {
        // Within one volume a move is one rename. Across volumes Windows moves no
        // folder: it refuses with ERROR_NOT_SAME_DEVICE, and the folder is copied.
        if (calls.moveFolder(source, kInstallFolder, 0))
            return kInstalled;
        DWORD error = GetLastError();
        if (error != ERROR_NOT_SAME_DEVICE && SameVolume(source, kInstallFolder)) {
            message << "The folder\r\n\r\n"
                    << source << "\r\n\r\ncould not be moved to c:\\Kelvora (Windows error "
                    << error << "). Nothing was installed.\r\n\r\n"
                    << "Close every program that uses a file in that folder, Kelvora too, and "
                    << kRunAgain;
            return kFolderNotInPlace;
        }
    }

    char from[kPathBytes];
    char to[kPathBytes];
    Failure failure;
    SetPath(from, sizeof(from), source);
    SetPath(to, sizeof(to), kInstallFolder);
    if (!CopyFolder(from, to, true, &failure)) {
        if (update) {
            message << "Kelvora in c:\\Kelvora could not be brought up to date from\r\n\r\n"
                    << source << "\r\n\r\nThe copy stopped at\r\n\r\n"
                    << failure.path << "\r\n\r\n(Windows error " << failure.error
                    << "). Your Kelvora.ini is kept.\r\n\r\nClose Kelvora if it is running, and "
                    << kRunAgain;
        } else {
            // No half copy is left behind to be taken for an install.
            RemoveFolder(to);
            message << "The folder\r\n\r\n"
                    << source
                    << "\r\n\r\ncould not be copied to c:\\Kelvora. The copy stopped at\r\n\r\n"
                    << failure.path << "\r\n\r\n(Windows error " << failure.error
                    << "). Nothing was installed.\r\n\r\n"
                    << "Make room on drive C, or unpack the zip on drive C, and " << kRunAgain;
        }
        return kFolderNotInPlace;
    }
    // The copy is whole: the folder is taken away from where it was, as by a move.
    // Whatever cannot be removed is left; the install is complete without it.
    RemoveFolder(from);
    return kInstalled;
}

// Writes both shortcuts to the installed program.
int WriteShortcuts(Message& message) {
    char desktopPath[kPathBytes];
    char startMenuPath[kPathBytes];

    bool haveStartMenu = GetShellFolder(startMenuPath, CSIDL_STARTMENU) &&
                         PathAddBackslashA(startMenuPath) != nullptr &&
                         AppendPath(startMenuPath, sizeof(startMenuPath), kProgramsFolder);
    // Usually there already; any other failure shows when the shortcut is saved.
    if (haveStartMenu)
        CreateDirectoryA(startMenuPath, nullptr);
    haveStartMenu = haveStartMenu && AppendPath(startMenuPath, sizeof(startMenuPath), kLinkName);
    bool haveDesktop = GetShellFolder(desktopPath, CSIDL_DESKTOP) &&
                       PathAddBackslashA(desktopPath) != nullptr &&
                       AppendPath(desktopPath, sizeof(desktopPath), kLinkName);

    ShortcutSpec shortcut;
    std::memset(&shortcut, 0, sizeof(shortcut));
    shortcut.targetPath = kProgramPath;
    shortcut.workingFolder = kInstallFolder;
    shortcut.showCommand = SW_SHOWNORMAL;

    HRESULT com = CoInitialize(nullptr);
    shortcut.linkPath = startMenuPath;
    const bool startMenuWritten = haveStartMenu && CreateShortcut(shortcut);
    shortcut.linkPath = desktopPath;
    const bool desktopWritten = haveDesktop && CreateShortcut(shortcut);
    // Only a successful CoInitialize (S_OK or S_FALSE) is to be balanced.
    if (SUCCEEDED(com))
        CoUninitialize();

    if (startMenuWritten && desktopWritten)
        return kInstalled;
    message << "Kelvora is installed in c:\\Kelvora, but "
            << (startMenuWritten || desktopWritten ? "this shortcut" : "these shortcuts")
            << " to it could not be written:\r\n\r\n";
    if (!startMenuWritten)
        message << (haveStartMenu ? startMenuPath
                                  : "Kelvora.lnk in the Start menu's Programs folder")
                << "\r\n";
    if (!desktopWritten)
        message << (haveDesktop ? desktopPath : "Kelvora.lnk on the desktop") << "\r\n";
    message << "\r\nStart c:\\Kelvora\\Kelvora.exe from Explorer, or check that you may write "
            << "there and " << kRunAgain;
    return kShortcutNotWritten;
}

}  // namespace

int InstallMain(const InstallCalls& calls) {
    Message message;
    int result = PlaceProductFolder(calls, message);
    // No shortcut is written to a program that is not in place.
    if (result == kInstalled)
        result = WriteShortcuts(message);
    if (result != kInstalled)
        calls.messageBox(nullptr, message.Text(), kTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return result;
}

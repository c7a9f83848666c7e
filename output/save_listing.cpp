#include "output/save_listing.h"

#include <cderr.h>
#include <richedit.h>

#include <string>

#include "base/bounded_text.h"
#include "base/rtf_rewrite.h"
#include "listing/listing_generator.h"

char SaveFolder[kSaveFolderCapacity] = "c:\\My Documents";

namespace {

constexpr int kFileNameCapacity = kSavePathCapacity;
// The temporary file's name in the chosen folder: "~kelvora-<process>-<try>.tmp".
constexpr int kTemporaryNameCapacity = kFileNameCapacity + 40;
constexpr unsigned kTemporaryNameTries = 100;

const char kFileTypes[] =
    "Rich Text (*.rtf)\0*.rtf\0"
    "Word Doc (*.doc)\0*.doc\0"
    "All Files (*.*)\0*.*\0";  // the literal's own zero closes the list

SaveDialogCall saveDialogCall = GetSaveFileNameA;
MessageBoxCall messageBoxCall = MessageBoxA;

// The file being written, the rewrite of the control's stream on its way there, and
// the first failure the writes met.
struct OutputFile {
    HANDLE handle;
    RtfRewrite rewrite;
    DWORD error;
};

// Writes one chunk of the stream with one WriteFile call. A short write is a failure
// too (a full disk takes part of a chunk and reports success).
DWORD CALLBACK WriteChunk(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
    OutputFile* out = reinterpret_cast<OutputFile*>(cookie);
    *written = 0;
    std::string chunk;
    RewriteRtfChunk(out->rewrite, bytes, static_cast<size_t>(count), chunk);
    DWORD done = 0;
    if (!WriteFile(out->handle, chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr)) {
        out->error = GetLastError();
        return 1;
    }
    if (done != chunk.size()) {
        out->error = ERROR_DISK_FULL;
        return 1;
    }
    *written = count;
    return 0;
}

void ShowMessage(HWND owner, const char* text) {
    messageBoxCall(owner, text, "Kelvora", MB_OK | MB_ICONEXCLAMATION);
}

// Says that the file could not be saved, and why, and that a file already of that name
// is as it was.
void ReportFailure(HWND owner, const char* path, DWORD error) {
    char reason[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reason, sizeof reason, nullptr);
    if (length == 0) {
        wsprintfA(reason, "System error %lu.", error);
    } else {
        while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' ||
                              reason[length - 1] == ' ')) {
            reason[--length] = '\0';
        }
    }
    char text[kFileNameCapacity + sizeof reason + 128];
    CopyText(text, sizeof text, "The listing could not be saved as\r\n");
    AppendText(text, sizeof text, path);
    AppendText(text, sizeof text, "\r\n\r\n");
    AppendText(text, sizeof text, reason);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        AppendText(text, sizeof text, "\r\n\r\nThe file that was there is kept as it was.");
    ShowMessage(owner, text);
}

// A Save As dialog that ended without a name and not by the user's Cancel.
void ReportDialogFailure(HWND owner, DWORD code) {
    char text[256];
    if (code == FNERR_BUFFERTOOSMALL) {
        CopyText(text, sizeof text,
                 "The listing could not be saved: the name chosen is too long.\r\n\r\n"
                 "Choose a shorter name, or a folder with a shorter path.");
    } else {
        wsprintfA(text,
                  "The listing could not be saved: the Save As dialog failed (error 0x%04lX)."
                  "\r\n\r\nTry Save As again.",
                  code);
    }
    ShowMessage(owner, text);
}

// The length of path's folder with its last backslash, found character by character (in
// a double-byte code page a character may end in the backslash's byte); 0 without one.
size_t FolderPartLength(const char* path) {
    const char* end = path;
    for (const char* at = path; *at != '\0'; at = CharNextA(at)) {
        if (*at == '\\')
            end = at + 1;
    }
    return static_cast<size_t>(end - path);
}

// Creates a new, empty file in the folder of path, for the text to be written to before
// it takes path's name; the file system's rename needs both on the same disk. Returns
// its handle and name, or INVALID_HANDLE_VALUE with the system's error.
HANDLE CreateTemporaryBeside(const char* path, char* name, DWORD* error) {
    size_t folder = FolderPartLength(path);
    *error = ERROR_FILENAME_EXCED_RANGE;
    if (folder == 0 || folder >= static_cast<size_t>(kTemporaryNameCapacity))
        return INVALID_HANDLE_VALUE;
    for (unsigned attempt = 1; attempt <= kTemporaryNameTries; ++attempt) {
        CopyText(name, folder + 1, path);
        char own[40];
        wsprintfA(own, "~kelvora-%lu-%u.tmp", GetCurrentProcessId(), attempt);
        if (!AppendText(name, kTemporaryNameCapacity, own))
            return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            *error = ERROR_SUCCESS;
            return file;
        }
        *error = GetLastError();
        if (*error != ERROR_FILE_EXISTS && *error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// The next dialog opens in the folder of the file saved: its path without the last
// backslash, which a drive's root keeps ("c:\").
void RememberSaveFolder(const char* path) {
    size_t folder = FolderPartLength(path);
    if (folder > 1 && !(folder == 3 && path[1] == ':'))
        --folder;
    if (folder > 0 && folder < sizeof SaveFolder)
        CopyText(SaveFolder, folder + 1, path);
}

}  // namespace

void UseSaveCalls(SaveDialogCall dialog, MessageBoxCall message) {
    saveDialogCall = dialog ? dialog : GetSaveFileNameA;
    messageBoxCall = message ? message : MessageBoxA;
}

void SaveListing(HWND owner) {
    char fileName[kFileNameCapacity];
    fileName[0] = '\0';
    OPENFILENAMEA request;
    ZeroMemory(&request, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = GetModuleHandleA(nullptr);
    request.lpstrFilter = kFileTypes;
    request.nFilterIndex = 1;
    request.lpstrFile = fileName;
    request.nMaxFile = sizeof fileName;
    request.lpstrInitialDir = SaveFolder;
    // No OFN_FILEMUSTEXIST: a save names files that do not exist yet. No
    // OFN_OVERWRITEPROMPT: an existing file is replaced without a question.
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    request.lpstrDefExt = "rtf";
    if (!saveDialogCall(&request)) {
        DWORD code = CommDlgExtendedError();
        if (code != 0)  // 0: the user cancelled
            ReportDialogFailure(owner, code);
        return;
    }

    // A file of that name that may not be written, or that another program holds, is
    // said before anything is written.
    HANDLE old = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD oldError = old == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (old != INVALID_HANDLE_VALUE)
        CloseHandle(old);
    if (oldError != ERROR_SUCCESS && oldError != ERROR_FILE_NOT_FOUND) {
        ReportFailure(owner, fileName, oldError);
        return;
    }

    // The new text goes to a file of its own first: a failure part-way (a full disk, a
    // removed stick) must not cost the user the file of that name.
    char temporary[kTemporaryNameCapacity];
    OutputFile out;
    out.error = ERROR_SUCCESS;
    out.handle = CreateTemporaryBeside(fileName, temporary, &out.error);
    if (out.handle == INVALID_HANDLE_VALUE) {
        ReportFailure(owner, fileName, out.error);
        return;
    }

    EDITSTREAM stream;
    ZeroMemory(&stream, sizeof stream);
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&out);
    stream.pfnCallback = WriteChunk;
    SendMessageA(ListingPane, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (out.error == ERROR_SUCCESS && !FlushFileBuffers(out.handle))
        out.error = GetLastError();
    if (!CloseHandle(out.handle) && out.error == ERROR_SUCCESS)
        out.error = GetLastError();
    if (out.error == ERROR_SUCCESS &&
        !MoveFileExA(temporary, fileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        out.error = GetLastError();
    }

    if (out.error != ERROR_SUCCESS) {
        DeleteFileA(temporary);
        ReportFailure(owner, fileName, out.error);
        return;
    }
    RememberSaveFolder(fileName);
}

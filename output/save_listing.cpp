#include "output/save_listing.h"

#include <richedit.h>
#include <shlwapi.h>

#include <string>

#include "listing/listing_generator.h"
#include "output/rtf_rewrite.h"
#include "shell/bounded_text.h"

char SaveFolder[kSaveFolderCapacity] = "c:\\My Documents";

namespace {

constexpr int kFileNameCapacity = 256;

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
    char text[kFileNameCapacity + sizeof reason + 64];
    CopyText(text, sizeof text, "The listing could not be saved as\r\n");
    AppendText(text, sizeof text, path);
    AppendText(text, sizeof text, "\r\n\r\n");
    AppendText(text, sizeof text, reason);
    messageBoxCall(owner, text, "Kelvora", MB_OK | MB_ICONEXCLAMATION);
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
    if (!saveDialogCall(&request))
        return;

    OutputFile out;
    out.error = ERROR_SUCCESS;
    out.handle = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out.handle == INVALID_HANDLE_VALUE) {
        ReportFailure(owner, fileName, GetLastError());
        return;
    }

    EDITSTREAM stream;
    ZeroMemory(&stream, sizeof stream);
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&out);
    stream.pfnCallback = WriteChunk;
    SendMessageA(ListingPane, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (!CloseHandle(out.handle) && out.error == ERROR_SUCCESS)
        out.error = GetLastError();

    // The file exists now, whole or not: the next dialog opens in its folder.
    CopyText(SaveFolder, sizeof SaveFolder, fileName);
    PathRemoveFileSpecA(SaveFolder);

    if (out.error != ERROR_SUCCESS)
        ReportFailure(owner, fileName, out.error);
}

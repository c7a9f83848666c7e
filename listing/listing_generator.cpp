#include "listing/listing_generator.h"

#include <shlwapi.h>
#include <richedit.h>

#include <cstring>
#include <string>

#include "listing/listing_options.h"
#include "listing/text_styles.h"
#include "settings/current_filter.h"
#include "shell/bounded_text.h"
#include "tree/directory_service.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

HWND ListingPane = nullptr;

namespace {

// Writes into the pane at the caret. When underscores are to become spaces, they are
// replaced in each text before it is written, and the writer remembers where the
// last one stood: the pane ends with the same text, styles and caret as a search-
// and-replace pass over the finished listing would leave, in one pass.
class PaneWriter {
public:
    explicit PaneWriter(HWND pane) : pane_(pane) {}

    void SetStyle(const CHARFORMATA& format) {
        CHARFORMATA copy = format;
        copy.cbSize = sizeof copy;
        SendMessageA(pane_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&copy));
    }

    void Append(std::string& text) {
        if (text.empty())
            return;
        size_t last = std::string::npos;
        if (ListingOptions.UnderScoreToSpace) {
            for (size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '_') {
                    text[i] = ' ';
                    last = i;
                }
            }
        }
        SendMessageA(pane_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
        if (last != std::string::npos) {
            CHARRANGE caret = {};
            SendMessageA(pane_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
            const char* tail = text.c_str() + last + 1;
            int tailUnits = *tail ? MultiByteToWideChar(CP_ACP, 0, tail, -1, nullptr, 0) - 1 : 0;
            afterLastUnderscore_ = caret.cpMax - tailUnits;
        }
    }

    // Leaves the caret where the underscore pass would: right after the last
    // replaced underscore, or at the end of the text when there was none.
    void Finish() {
        if (!ListingOptions.UnderScoreToSpace)
            return;
        if (afterLastUnderscore_ >= 0) {
            SendMessageA(pane_, EM_SETSEL, afterLastUnderscore_, afterLastUnderscore_);
        }
        SendMessageA(pane_, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    }

private:
    HWND pane_;
    LONG afterLastUnderscore_ = -1;
};

PaneWriter* writer = nullptr;

void ApplyCase(char* text, int32_t upper, int32_t lower) {
    if (upper) {
        CharUpperA(text);
    } else if (lower) {
        CharLowerA(text);
    }
}

bool IsFile(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// True when the current directory holds at least one file matching the filter.
bool HasMatchingFile() {
    DirectoryService& dir = Directory();
    WIN32_FIND_DATAA entry;
    HANDLE search = dir.FindFirst(CurrentFilter, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        if (IsFile(entry)) {
            found = true;
            break;
        }
    } while (dir.FindNext(search, &entry));
    dir.CloseSearch(search);
    return found;
}

}  // namespace

void ListOneFolder(HTREEITEM node, char* nodeText) {
    const bool entered = BuildNodePath(node);
    DirectoryService& dir = Directory();

    if (ListingOptions.ListFolderNames) {
        if (!ListingOptions.IncludeEmptyFolders && (!entered || !HasMatchingFile()))
            return;
        writer->SetStyle(FolderStyle.format);
        std::string heading = "\r    ";
        if (ListingOptions.CompleteFolderPath) {
            ApplyCase(PathWorkCopy, ListingOptions.FoldersUpperCase,
                      ListingOptions.FoldersLowerCase);
            PathRemoveBackslashA(PathWorkCopy);
            heading += PathWorkCopy;
        } else {
            ApplyCase(nodeText, ListingOptions.FoldersUpperCase, ListingOptions.FoldersLowerCase);
            heading += nodeText;
        }
        writer->Append(heading);
    }

    if (!ListingOptions.ListItemNames || !entered)
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = dir.FindFirst(CurrentFilter, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    writer->SetStyle(ItemStyle.format);
    // All items of a folder share one style, so they go into the pane as one text.
    std::string items;
    do {
        if (!IsFile(entry))
            continue;
        entry.cFileName[MAX_PATH - 1] = '\0';
        if (!ListingOptions.IncludeExtensions)
            PathRemoveExtensionA(entry.cFileName);
        ApplyCase(entry.cFileName, ListingOptions.ItemsUpperCase, ListingOptions.ItemsLowerCase);
        items += '\r';
        items += entry.cFileName;
    } while (dir.FindNext(search, &entry));
    dir.CloseSearch(search);
    writer->Append(items);
}

void RegenerateListing() {
    SendMessageA(ListingPane, EM_SETSEL, 0, -1);
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));

    PaneWriter paneWriter(ListingPane);
    writer = &paneWriter;
    const bool utf8 = GetACP() == CP_UTF8;
    char nodeText[kNodeTextCapacity];

    // Pre-order walk of every node below the root, expanded or not.
    HTREEITEM at = RootNode;
    while (at != nullptr) {
        HTREEITEM next = TreeFirstChild(TreePane, at);
        if (next == nullptr) {
            for (HTREEITEM up = at; up != nullptr && up != RootNode;
                 up = TreeParent(TreePane, up)) {
                next = TreeNextSibling(TreePane, up);
                if (next != nullptr)
                    break;
            }
        }
        at = next;
        if (at == nullptr)
            break;
        int image = TreeGetTextAndImage(TreePane, at, nodeText, sizeof nodeText);
        if (utf8)
            TrimPartialUtf8(nodeText);
        if (IsListedImage(image))
            ListOneFolder(at, nodeText);
    }

    paneWriter.Finish();
    writer = nullptr;
}

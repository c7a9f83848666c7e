#include "listing/listing_generator.h"

#include <shlwapi.h>
#include <richedit.h>

#include <cstring>
#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "listing/listing_pane.h"
#include "listing/text_styles.h"
#include "settings/current_filter.h"
#include "shell/bounded_text.h"
#include "tree/directory_service.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

// The listing as it is built: the text of each run of one style, in order. The pane
// is written from it only when the whole listing is known, one run per call, while
// the pane does not redraw. Writing a run in one call leaves the same text and the
// same character format on every character as writing its pieces one by one with the
// style set before each piece, since the style's format covers the same attributes
// every time.
class ListingText {
public:
    // The style that the text appended next takes.
    void SetStyle(const TextStyle& style) { pending_ = &style; }

    void Append(const std::string& text) {
        if (text.empty())
            return;
        if (runs_.empty() || runs_.back().style != pending_)
            runs_.push_back({pending_, std::string()});
        runs_.back().text += text;
    }

    // Replaces every underscore by a space, remembering where the last one stood.
    void ReplaceUnderscores() {
        for (size_t r = 0; r < runs_.size(); ++r) {
            std::string& text = runs_[r].text;
            for (size_t i = text.find('_'); i != std::string::npos; i = text.find('_', i + 1)) {
                text[i] = ' ';
                lastUnderscoreRun_ = r;
                lastUnderscoreEnd_ = i + 1;
            }
        }
    }

    bool HasUnderscorePosition() const { return lastUnderscoreRun_ != kNone; }

    // The pane position right after the last replaced underscore, in the pane's
    // characters (UTF-16 units of the text converted from the ANSI code page).
    LONG AfterLastUnderscore() const {
        LONG units = 0;
        for (size_t r = 0; r < lastUnderscoreRun_; ++r)
            units += Units(runs_[r].text.data(), runs_[r].text.size());
        return units + Units(runs_[lastUnderscoreRun_].text.data(), lastUnderscoreEnd_);
    }

    // Writes the runs at the caret, each in its style, and leaves the insertion style
    // the last one set, as setting the style before each piece would have left it.
    void WriteTo(HWND pane) const {
        const TextStyle* set = nullptr;
        for (const Run& run : runs_) {
            if (run.style != set) {
                SetInsertionStyle(pane, *run.style);
                set = run.style;
            }
            SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(run.text.c_str()));
        }
        if (pending_ != nullptr && pending_ != set)
            SetInsertionStyle(pane, *pending_);
    }

private:
    struct Run {
        const TextStyle* style;
        std::string text;
    };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    static void SetInsertionStyle(HWND pane, const TextStyle& style) {
        CHARFORMATA format = style.format;
        format.cbSize = sizeof format;
        SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    static LONG Units(const char* text, size_t bytes) {
        if (bytes == 0)
            return 0;
        return MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), nullptr, 0);
    }

    std::vector<Run> runs_;
    const TextStyle* pending_ = nullptr;
    size_t lastUnderscoreRun_ = kNone;
    size_t lastUnderscoreEnd_ = 0;
};

// The listing being built by RegenerateListing; null when ListOneFolder is called on
// its own, which then writes its folder at the caret straight away.
ListingText* building = nullptr;

// Stops the pane from redrawing while it is rebuilt and redraws it once at the end.
class RedrawPause {
public:
    explicit RedrawPause(HWND pane)
        : pane_(pane), paused_((GetWindowLongA(pane, GWL_STYLE) & WS_VISIBLE) != 0) {
        if (paused_)
            SendMessageA(pane_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawPause() {
        if (!paused_)
            return;
        SendMessageA(pane_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(pane_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND pane_;
    bool paused_;
};

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

// The files of the current directory that match the filter, each spelled as an item
// line ("\r" and the name) in the order the search reports them.
struct FolderItems {
    bool searched = false;  // the search found an entry of any kind
    bool anyFile = false;
    std::string lines;
};

FolderItems ReadItems() {
    FolderItems items;
    DirectoryService& dir = Directory();
    WIN32_FIND_DATAA entry;
    HANDLE search = dir.FindFirst(CurrentFilter, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return items;
    items.searched = true;
    do {
        if (!IsFile(entry))
            continue;
        items.anyFile = true;
        entry.cFileName[MAX_PATH - 1] = '\0';
        if (!ListingOptions.IncludeExtensions)
            PathRemoveExtensionA(entry.cFileName);
        ApplyCase(entry.cFileName, ListingOptions.ItemsUpperCase, ListingOptions.ItemsLowerCase);
        items.lines += '\r';
        items.lines += entry.cFileName;
    } while (dir.FindNext(search, &entry));
    dir.CloseSearch(search);
    return items;
}

void AppendHeading(ListingText& out, char* nodeText) {
    out.SetStyle(FolderStyle);
    std::string heading = "\r    ";
    if (ListingOptions.CompleteFolderPath) {
        ApplyCase(PathWorkCopy, ListingOptions.FoldersUpperCase, ListingOptions.FoldersLowerCase);
        PathRemoveBackslashA(PathWorkCopy);
        heading += PathWorkCopy;
    } else {
        ApplyCase(nodeText, ListingOptions.FoldersUpperCase, ListingOptions.FoldersLowerCase);
        heading += nodeText;
    }
    out.Append(heading);
}

void AppendItems(ListingText& out, const FolderItems& items) {
    if (!items.searched)
        return;
    out.SetStyle(ItemStyle);
    out.Append(items.lines);
}

// One listed folder's heading and items. A folder without a matching file gets no
// heading unless empty folders are included; when its items are listed too, the one
// search that lists them also tells whether there is any.
void WriteOneFolder(ListingText& out, HTREEITEM node, char* nodeText) {
    const bool entered = BuildNodePath(node);
    if (ListingOptions.ListFolderNames) {
        if (!ListingOptions.IncludeEmptyFolders) {
            if (!entered)
                return;
            if (ListingOptions.ListItemNames) {
                FolderItems items = ReadItems();
                if (!items.anyFile)
                    return;
                AppendHeading(out, nodeText);
                AppendItems(out, items);
                return;
            }
            if (!HasMatchingFile())
                return;
        }
        AppendHeading(out, nodeText);
    }
    if (ListingOptions.ListItemNames && entered)
        AppendItems(out, ReadItems());
}

}  // namespace

void ListOneFolder(HTREEITEM node, char* nodeText) {
    ListingText alone;
    ListingText& out = building ? *building : alone;
    WriteOneFolder(out, node, nodeText);
    if (building == nullptr)
        alone.WriteTo(ListingPane);
}

void RegenerateListing() {
    RedrawPause pause(ListingPane);
    SendMessageA(ListingPane, EM_SETSEL, 0, -1);
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));

    ListingText listing;
    building = &listing;
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
    building = nullptr;

    // Underscores become spaces in the text before it reaches the pane; the caret ends
    // right after the last one, as a search-and-replace pass over the pane would
    // leave it, or at the end of the text when there was none.
    if (ListingOptions.UnderScoreToSpace)
        listing.ReplaceUnderscores();
    listing.WriteTo(ListingPane);
    if (ListingOptions.UnderScoreToSpace) {
        if (listing.HasUnderscorePosition()) {
            LONG caret = listing.AfterLastUnderscore();
            SendMessageA(ListingPane, EM_SETSEL, caret, caret);
        }
        SendMessageA(ListingPane, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    }
}

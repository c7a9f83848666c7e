#include "listing/listing_generator.h"

#include <shlwapi.h>
#include <richedit.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "base/long_work.h"
#include "base/wide_text.h"
#include "listing/listing_options.h"
#include "listing/listing_pane.h"
#include "listing/listing_text.h"
#include "listing/text_styles.h"
#include "settings/current_filter.h"
#include "tree/directory_service.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

// The listing being built by RegenerateListing; null when ListOneFolder is called on
// its own, which then writes its folder at the caret straight away.
ListingText* building = nullptr;
bool runByRun = false;
bool streamed = false;
// The listing is read into the pane in pieces of about this size: Wine's control lays
// out a piece in about a tenth of a second at most, during which the window does not
// answer.
size_t pieceBytes = kListingPieceBytes;

// The text in the case the two options ask for; upper wins when both are on.
std::string InCase(const char* text, int32_t upper, int32_t lower) {
    if (upper)
        return UpperCase(text);
    if (lower)
        return LowerCase(text);
    return text;
}

// Cuts a file name at its extension, by the rule of the system's path functions: the
// last dot that no space follows. (The path functions take no name longer than
// MAX_PATH bytes; a whole name can be longer under UTF-8.)
void RemoveExtension(char* name) {
    char* dot = nullptr;
    for (char* at = name; *at != '\0'; ++at) {
        if (*at == '.')
            dot = at;
        else if (*at == ' ' || *at == '\\')
            dot = nullptr;
    }
    if (dot != nullptr)
        *dot = '\0';
}

bool IsFile(const FoundEntry& entry) {
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// True when the current directory holds at least one file matching the filter.
bool HasMatchingFile() {
    DirectoryService& dir = Directory();
    FoundEntry entry;
    HANDLE search = dir.FindFirst(CurrentPath, CurrentFilter, &entry);
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
    FoundEntry entry;
    HANDLE search = dir.FindFirst(CurrentPath, CurrentFilter, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return items;
    items.searched = true;
    do {
        if (!IsFile(entry))
            continue;
        items.anyFile = true;
        if (!ListingOptions.IncludeExtensions)
            RemoveExtension(entry.name);
        items.lines += '\r';
        items.lines +=
            InCase(entry.name, ListingOptions.ItemsUpperCase, ListingOptions.ItemsLowerCase);
    } while (dir.FindNext(search, &entry));
    dir.CloseSearch(search);
    return items;
}

void AppendHeading(ListingText& out, char* nodeText) {
    out.SetStyle(FolderStyle);
    std::string heading = "\r    ";
    if (ListingOptions.CompleteFolderPath) {
        PathRemoveBackslashA(PathWorkCopy);
        heading +=
            InCase(PathWorkCopy, ListingOptions.FoldersUpperCase, ListingOptions.FoldersLowerCase);
    } else {
        heading +=
            InCase(nodeText, ListingOptions.FoldersUpperCase, ListingOptions.FoldersLowerCase);
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
    // A folder that cannot be entered, or has vanished since it was read, fails its
    // search like an empty one, so only its path is needed here.
    const bool entered = FillNodePath(node);
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

HTREEITEM NextInPreOrder(HTREEITEM at) {
    HTREEITEM next = TreeFirstChild(TreePane, at);
    if (next != nullptr)
        return next;
    for (HTREEITEM up = at; up != nullptr && up != RootNode; up = TreeParent(TreePane, up)) {
        next = TreeNextSibling(TreePane, up);
        if (next != nullptr)
            return next;
    }
    return nullptr;
}

long long CountListedNodes() {
    long long count = 0;
    for (HTREEITEM at = NextInPreOrder(RootNode); at != nullptr; at = NextInPreOrder(at)) {
        if (IsListedImage(TreeGetImage(TreePane, at)))
            ++count;
    }
    return count;
}

// Past the end of any text: the control puts the caret at the end.
constexpr LONG kTextEnd = 0x7FFFFFFF;

// Where the caret goes and which style text typed at it takes, as writing the listing
// at the caret of an emptied pane, then moving the caret past the last replaced
// underscore, would leave them. A listing that set no style leaves the item style,
// the format the listing's text is written over, rather than the control's own.
void PlaceCaret(HWND pane, const ListingText& listing) {
    SendMessageA(pane, EM_SETSEL, kTextEnd, kTextEnd);
    const TextStyle* pending = listing.Pending() != nullptr ? listing.Pending() : &ItemStyle;
    if (pending != listing.LastRunStyle()) {
        CHARFORMATA format = pending->format;
        format.cbSize = sizeof format;
        SendMessageA(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    if (ListingOptions.UnderScoreToSpace) {
        if (listing.HasUnderscorePosition()) {
            LONG caret = listing.AfterLastUnderscore();
            SendMessageA(pane, EM_SETSEL, caret, caret);
        }
        SendMessageA(pane, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    }
}

// Empties the live pane and writes the listing there run by run, when no fresh
// control is to be had.
void WriteIntoLivePane(const ListingText& listing) {
    SendMessageA(ListingPane, EM_SETSEL, 0, -1);
    SendMessageA(ListingPane, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
    listing.WriteRuns(ListingPane);
    PlaceCaret(ListingPane, listing);
}

// An empty listing clears the pane: when it holds text, a fresh empty pane takes its
// place and it is kept for Undo; an empty pane has nothing to clear and stays, with
// what Undo would bring back.
void ShowEmptyListing(const ListingText& listing) {
    if (!PaneHoldsText(ListingPane)) {
        PlaceCaret(ListingPane, listing);
        return;
    }
    HWND fresh = MakeReplacementPane();
    if (fresh == nullptr) {
        WriteIntoLivePane(listing);
        return;
    }
    PlaceCaret(fresh, listing);
    SwapInEmptyPane(fresh);
}

// Writes the listing into a fresh pane that takes the old one's place. The old pane
// goes before the fresh one is filled, so that one listing's worth of memory is held,
// except when the new listing is empty: then the old pane is kept for Undo.
void ShowListing(const ListingText& listing) {
    streamed = false;
    if (listing.Empty()) {
        ShowEmptyListing(listing);
        return;
    }
    HWND fresh = MakeReplacementPane();
    if (fresh == nullptr) {
        // No fresh control to be had: empty the live one and write there.
        DropKeptPanes();
        WriteIntoLivePane(listing);
        return;
    }
    const bool hadFocus = RetireListingPane(fresh);
    std::string rtf;
    bool sizeForAll = false;
    RtfPieces pieces;
    if (!runByRun && listing.MakeRtf(rtf, sizeForAll, pieces, pieceBytes) &&
        !StreamRtfIntoPane(ListingPane, rtf, pieces, ItemStyle.format, sizeForAll)) {
        // Start again in a pane of its own, run by run; without one, in this pane
        // emptied of what was read so far.
        HWND again = MakeReplacementPane();
        if (again != nullptr) {
            RetireListingPane(again);
        } else {
            SendMessageA(ListingPane, EM_SETSEL, 0, -1);
            SendMessageA(ListingPane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        }
        rtf.clear();
    }
    streamed = !rtf.empty();
    if (!streamed)
        listing.WriteRuns(ListingPane);
    PlaceCaret(ListingPane, listing);
    SendMessageA(ListingPane, EM_EMPTYUNDOBUFFER, 0, 0);
    ShowFreshPane(hadFocus);
}

}  // namespace

void ListOneFolder(HTREEITEM node, char* nodeText) {
    ListingText alone;
    ListingText& out = building ? *building : alone;
    WriteOneFolder(out, node, nodeText);
    if (building == nullptr)
        alone.WriteRuns(ListingPane);
}

void WriteListingRunByRun(bool on) {
    runByRun = on;
}

void StreamListingInPiecesOf(size_t bytes) {
    pieceBytes = bytes;
}

bool LastListingWasStreamed() {
    return streamed;
}

void RegenerateListing() {
    LongWork work;
    ListingText listing;
    building = &listing;
    const bool utf8 = GetACP() == CP_UTF8;
    char nodeText[kNodeTextCapacity];

    // Pre-order walk of every node below the root, expanded or not.
    const long long listed = CountListedNodes();
    long long done = 0;
    HTREEITEM at = RootNode;
    while (at != nullptr) {
        at = NextInPreOrder(at);
        if (at == nullptr)
            break;
        int image = TreeGetTextAndImage(TreePane, at, nodeText, sizeof nodeText);
        if (utf8)
            TrimPartialUtf8(nodeText);
        if (IsListedImage(image)) {
            LongWorkProgress("listing folder %s of %s", ++done, listed);
            ListOneFolder(at, nodeText);
        }
    }
    building = nullptr;

    // Underscores become spaces in the text before it reaches the pane; the caret ends
    // right after the last one, as a search-and-replace pass over the pane would
    // leave it, or at the end of the text when there was none.
    if (ListingOptions.UnderScoreToSpace)
        listing.ReplaceUnderscores(CP_ACP);
    ShowListing(listing);
}

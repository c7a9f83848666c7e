// The listing pane: the Rich Edit 2.0 control that holds the listing. Everything the
// program sets on the control when it is made is set in one place, so that a pane
// made later in its stead is the same control to every other part of the program.
//
// A new listing goes into a fresh control that then takes the old one's place: Rich
// Edit (Wine's above all) takes time that grows with the square of the paragraphs to
// clear a long text, while destroying the control costs next to nothing. When the new
// listing is empty, the old control is kept hidden instead, and Undo in the new pane,
// when the pane has nothing of its own to undo, brings it back as it was, the way
// undoing the clear would. An empty listing over a pane without text clears nothing,
// so it keeps the pane and what Undo would bring back; the panes kept over several
// clears come back one Undo at a time, the last one first.
#pragma once
#include <windows.h>

#include <richedit.h>

#include <string>

#include "listing/listing_rtf.h"

extern HWND ListingPane;  // the live control; every part of the program goes through it

// A visible child with a border and both scroll bars, sunken, multiline, showing its
// selection when it has no focus.
constexpr DWORD kListingPaneStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER |
                                    WS_VSCROLL | WS_HSCROLL | ES_SUNKEN | ES_NOHIDESEL |
                                    ES_MULTILINE;
// The most text the control takes (EM_EXLIMITTEXT); Rich Edit's own default, 32,767
// characters, would drop the end of a long listing.
constexpr LPARAM kListingPaneTextLimit = 0x7FFFFFFF;
// The undo steps the pane keeps: Rich Edit's own default.
constexpr WPARAM kListingPaneUndoLimit = 100;

// Makes a pane with the listing pane's class, style and owner at the given place and
// applies ConfigureListingPane to it. visible false leaves WS_VISIBLE off.
HWND CreateListingPane(HWND parent, int x, int y, int width, int height, bool visible = true);

// What the program sets on every listing pane: the text limit, the event mask, the
// clipboard hook, the Undo that can bring back a kept listing, and the context menu
// asked for from the keyboard handed to the owner.
void ConfigureListingPane(HWND pane);

// A hidden pane with ListingPane's owner, place and size, configured, with nothing to
// undo; null when it cannot be made.
HWND MakeReplacementPane();

// Reads an RTF document into the empty pane at base, the insertion format, one piece
// (one EM_STREAMIN) at a time, each added at the end; the pane's default format, which
// its final paragraph mark carries, stays as it was. With sizeForAll, base's size is
// then set on each piece's text (one EM_SETCHARFORMAT of only the size on it), for a
// size the document cannot state. The window answers the system between pieces: Wine's
// control lays out what one EM_STREAMIN read, and sets a format, without letting it.
// False when the control did not take all of it.
bool StreamRtfIntoPane(HWND pane, const std::string& rtf, const RtfPieces& pieces,
                       const CHARFORMATA& base, bool sizeForAll);

// Puts the empty pane fresh in ListingPane's place: same place in the z-order, the
// keyboard focus if the old pane had it, shown; the old pane is kept hidden for Undo,
// after any kept before.
void SwapInEmptyPane(HWND fresh);

// Whether the pane holds any text.
bool PaneHoldsText(HWND pane);

// Destroys every pane kept for Undo.
void DropKeptPanes();

// Puts fresh, still hidden, in ListingPane's place and destroys the old pane (and the
// kept ones) at once, so that only one control's worth of text is held while fresh is
// filled; ShowFreshPane then shows it. Returns whether the old pane had the focus.
bool RetireListingPane(HWND fresh);
// Shows ListingPane, scrolled to its caret, with the keyboard focus if hadFocus.
void ShowFreshPane(bool hadFocus);

// Brings back the pane kept last in ListingPane's place, when there is one; true if
// it did.
bool RestoreKeptListing();

// The hidden pane that Undo would bring back next, or null.
HWND KeptListingPane();

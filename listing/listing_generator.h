// The listing generator: rebuilds the whole text pane from the listed nodes of the
// folder tree, the listing options, the filter and the two text styles.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "listing/listing_pane.h"

constexpr int kNodeTextCapacity = 256;  // the generator's copy of a node's text

void RegenerateListing();
// With on, RegenerateListing writes the new pane run by run, as it does whenever the
// heading format cannot be told as RTF control words; for comparing the two ways.
void WriteListingRunByRun(bool on);
// The least size of a piece of the RTF document that RegenerateListing reads into the
// pane a piece at a time (smaller for tests).
constexpr size_t kListingPieceBytes = 64 * 1024;
void StreamListingInPiecesOf(size_t bytes);
// Whether the last rebuild read its listing into the pane as one RTF document.
bool LastListingWasStreamed();
// Writes one listed folder's heading and items at the caret; nodeText (at most 255
// characters) may be converted in place.
void ListOneFolder(HTREEITEM node, char* nodeText);

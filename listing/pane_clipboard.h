// What the listing pane hands out on Copy and Cut.
//
// The program runs with UTF-8 as its ANSI code page. Some Rich Edit controls (Wine's)
// then put broken data on the clipboard: the Unicode text in a block larger than the
// text, so readers that take the whole block find stray bytes after its end, and the
// RTF in the control's own "{\urtf" flavour with raw UTF-8, which word processors do
// not read. The pane is therefore given a callback that hands the control a data
// object of the program's own for every copy or cut of the selection: CF_UNICODETEXT
// holding exactly the selected text and its terminator (line breaks as CR LF; the
// system derives CF_TEXT and CF_OEMTEXT from it in the reader's code page), and "Rich
// Text Format" holding standard RTF as a saved listing has it (base/rtf_rewrite.h)
// and its terminator. Paste in the pane reads the same formats back.
#pragma once
#include <windows.h>

// Gives a listing pane the callback. The pane holds it until the pane is destroyed;
// then a copy of it still waiting on the clipboard is written into the clipboard, so
// that it outlives the program. A second call on the same pane changes nothing.
void AttachPaneClipboard(HWND pane);

// The callbacks and data objects alive now, for leak checks.
long PaneClipboardObjects();

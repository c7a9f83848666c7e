// Long work on the one GUI thread (reading a drive's folders, rebuilding a big listing,
// printing): while it runs the window stays painted and answers the system, and the
// title bar shows how far it has got. No user input is taken off the queue, so no
// click or key is acted on half-way and none is lost.
#pragma once
#include <windows.h>

// Marks the span of one piece of long work; spans nest, and the title is restored
// when the outermost one ends.
class LongWork {
public:
    LongWork();
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;
};

// Called often during long work: cheap when nothing is due. Once the work has run
// for about half a second, it shows "<title> - <what>" in the title bar, where what
// is format with the numbers put in (printf style, %s for grouped numbers such as
// "12,345"), and lets the window paint and answer the system.
void LongWorkProgress(const char* format, long long first = 0, long long second = 0);

// The window whose title bar shows the progress, and its title at rest, which must
// stay readable while the window is named here (the text may change; the latest is
// shown); null shows no progress. The main window names itself from its start-up to
// its destruction.
void ShowLongWorkIn(HWND window, const char* title);

// How long work runs before it shows progress (500 ms unless told otherwise); 0
// shows every step.
void SetLongWorkDelay(unsigned ms);

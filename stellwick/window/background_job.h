#pragma once
// Work that may be slow (a registration naming a path on a network that does not answer)
// runs on a thread of its own while the window goes on handling its messages: it still
// paints, moves and closes.
#include <windows.h>
#include <functional>

enum JobEnd { kJobFinished, kJobFailed, kWindowClosed };

// Runs `work` on a new thread with a COM apartment of its own (so it makes its own objects)
// and handles this thread's messages until it ends. kJobFailed when it threw; kWindowClosed
// when `window` was destroyed (or the program was asked to end) first: the work then runs
// on unobserved, so it must own, or share ownership of, everything it touches.
JobEnd RunInBackground(HWND window, std::function<void()> work);

// Work that must not hold up the calling thread's windows: it runs on a thread of its own while the
// calling thread goes on reading its messages, and the call returns once the work has ended.
#pragma once

#include <windows.h>

#include <functional>

// What the calling thread's message loop needs to know while the work runs.
struct PumpHooks {
    // The modeless dialog whose keys (Tab, Esc, Enter) go through IsDialogMessage; null when none.
    std::function<HWND()> dialog;
    // Called once, on the calling thread, when a WM_QUIT is taken from its queue: the work should stop.
    std::function<void()> quitSeen;
};

// Runs work on a new thread, which holds its own reference on this module until it has ended, and
// dispatches the calling thread's messages until then. Sent messages from the work reach the calling
// thread's windows at once. A WM_QUIT taken meanwhile is posted again after the work has ended, and the
// result is then true. When no thread can be made, work runs on the calling thread instead. An exception
// thrown by work is thrown again here.
bool RunWhilePumping(const std::function<void()>& work, const PumpHooks& hooks);

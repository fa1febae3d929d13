// One Tolvane operation at a time per process. The global dialogs, the progress window and the password
// buffer serve one command; a second command, from another thread or re-entered through a dialog's
// message loop on the same thread, is refused rather than let in.
#pragma once

#include <windows.h>

class BusyGuard {
public:
    // Takes the process-wide flag if it is free. The flag is not recursive: a thread that holds it is
    // refused like any other.
    BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    ~BusyGuard();

    bool Acquired() const { return m_acquired; }

private:
    bool m_acquired;
};

// The message that tells the user a menu command was refused, owned by owner (none when null).
void ShowBusyMessage(HWND owner);

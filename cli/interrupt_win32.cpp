// Interrupts on Windows: the console's control events set a flag that the batch's observer reads.
#include "interrupt.h"

#include <windows.h>

#include <atomic>

namespace {

constexpr int kInterruptExit = 130; // as a POSIX shell reports Ctrl-C
constexpr int kTerminateExit = 143; // and SIGTERM
// Windows ends the process this long after a close event at the latest; the batch stops well before.
constexpr DWORD kCloseGrace = 4000;

std::atomic<int> g_exitCode{0};

BOOL WINAPI OnControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        g_exitCode = kInterruptExit;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Returning ends the process: give the batch the time to remove its temporary first.
        g_exitCode = kTerminateExit;
        Sleep(kCloseGrace);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void WatchInterrupts() {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool InterruptArrived() {
    return g_exitCode != 0;
}

int InterruptExitCode() {
    return g_exitCode != 0 ? g_exitCode.load() : kInterruptExit;
}

void IgnoreBrokenPipes() {}

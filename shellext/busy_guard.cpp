// The process-wide busy flag and the message shown when a menu command finds it taken.
#include "busy_guard.h"

#include <windows.h>

#include "shell_texts.h"

namespace {
LONG g_operationRunning = 0;
}

BusyGuard::BusyGuard() : m_acquired(InterlockedCompareExchange(&g_operationRunning, 1, 0) == 0) {}

BusyGuard::~BusyGuard() {
    if (m_acquired) {
        InterlockedExchange(&g_operationRunning, 0);
    }
}

void ShowBusyMessage(HWND owner) {
    MessageBoxW(owner, BusyMessageText(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
}

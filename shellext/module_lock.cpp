// The lock count behind DllCanUnloadNow. Objects may live in several apartments, so every change is
// interlocked.
#include "module_lock.h"

namespace {
LONG g_moduleLockCount = 0;
}

void LockModule() {
    InterlockedIncrement(&g_moduleLockCount);
}

void UnlockModule() {
    InterlockedDecrement(&g_moduleLockCount);
}

bool IsModuleLocked() {
    return InterlockedCompareExchange(&g_moduleLockCount, 0, 0) != 0;
}

// The progress and wrong-password hooks and the restored-name buffer. Without hooks the engine is silent;
// the shell extension connects them to its progress dialog and message box, the command line to its output.
#include "engine_hooks.h"

#include <algorithm>

Utf16Char g_szRestoredName[RESTORED_NAME_UNITS] = {};

namespace {

ProgressHook g_progressHook = nullptr;
void* g_progressContext = nullptr;
WrongPasswordHook g_wrongPasswordHook = nullptr;
void* g_wrongPasswordContext = nullptr;
InterruptCheck g_interruptCheck = nullptr;
void* g_interruptContext = nullptr;

} // namespace

void SetProgressHook(ProgressHook hook, void* context) {
    g_progressHook = hook;
    g_progressContext = context;
}

void ReportProgress(const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes) {
    if (g_progressHook != nullptr) {
        g_progressHook(g_progressContext, name, totalBytes, chunkBytes);
    }
}

void SetWrongPasswordHook(WrongPasswordHook hook, void* context) {
    g_wrongPasswordHook = hook;
    g_wrongPasswordContext = context;
}

void NotifyWrongPassword(const PathChar* containerPath) {
    if (g_wrongPasswordHook != nullptr) {
        g_wrongPasswordHook(g_wrongPasswordContext, containerPath);
    }
}

void SetInterruptCheck(InterruptCheck check, void* context) {
    g_interruptCheck = check;
    g_interruptContext = context;
}

bool InterruptRequested() {
    return g_interruptCheck != nullptr && g_interruptCheck(g_interruptContext);
}

void SetRestoredName(Utf16View name) {
    const size_t units = std::min(name.size(), RESTORED_NAME_UNITS - 1);
    std::copy_n(name.begin(), units, g_szRestoredName);
    g_szRestoredName[units] = 0;
}

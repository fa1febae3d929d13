// The progress and wrong-password hooks and the restored-name buffer. Without hooks the engine is silent;
// the shell extension connects them to its progress dialog and message box, the command line to its output.
#include "engine_hooks.h"

#include <algorithm>

#include "callback.h"

Utf16Char g_szRestoredName[RESTORED_NAME_UNITS] = {};

namespace {

Callback<void, const PathChar*, uint64_t, uint64_t> g_progress;
Callback<void, const PathChar*> g_wrongPassword;
Callback<bool> g_interrupt;

} // namespace

void SetProgressHook(ProgressHook hook, void* context) {
    g_progress.Set(hook, context);
}

void ReportProgress(const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes) {
    g_progress(name, totalBytes, chunkBytes);
}

void SetWrongPasswordHook(WrongPasswordHook hook, void* context) {
    g_wrongPassword.Set(hook, context);
}

void NotifyWrongPassword(const PathChar* containerPath) {
    g_wrongPassword(containerPath);
}

void SetInterruptCheck(InterruptCheck check, void* context) {
    g_interrupt.Set(check, context);
}

bool InterruptRequested() {
    return g_interrupt();
}

void SetRestoredName(Utf16View name) {
    const size_t units = std::min(name.size(), RESTORED_NAME_UNITS - 1);
    std::copy_n(name.begin(), units, g_szRestoredName);
    g_szRestoredName[units] = 0;
}

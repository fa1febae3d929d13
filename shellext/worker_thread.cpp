// The batch's own thread and the message loop the calling thread runs meanwhile.
#include "worker_thread.h"

#include <exception>

#include "unique_handle.h"
#include "win_handles.h"

namespace {

// Lives in the caller's frame, which waits for the thread to end.
struct WorkerStart {
    const std::function<void()>* work;
    HMODULE module; // the worker's own reference, given up as the thread ends
    std::exception_ptr failure;
};

DWORD WINAPI WorkerMain(void* parameter) {
    auto* start = static_cast<WorkerStart*>(parameter);
    try {
        (*start->work)();
    } catch (...) {
        start->failure = std::current_exception();
    }
    // Whoever released the module meanwhile, its code stays mapped until this thread is out of it.
    FreeLibraryAndExitThread(start->module, 0);
}

// Taken before the thread starts, so that there is no moment at which the thread runs this module's code
// unheld.
ModuleReference ReferenceThisModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerMain), &module)) {
        return ModuleReference();
    }
    return ModuleReference(module);
}

// Dispatches what the queue holds. True when it held a WM_QUIT (taken, its code kept in *quitCode).
bool DispatchQueue(const PumpHooks& hooks, WPARAM* quitCode) {
    bool quit = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            if (!quit) {
                *quitCode = message.wParam;
            }
            quit = true;
            continue;
        }
        HWND dialog = hooks.dialog ? hooks.dialog() : nullptr;
        if (dialog != nullptr && IsDialogMessageW(dialog, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return quit;
}

} // namespace

bool RunWhilePumping(const std::function<void()>& work, const PumpHooks& hooks) {
    ModuleReference module = ReferenceThisModule();
    WorkerStart start{&work, module.get(), nullptr};
    KernelHandle thread(module ? CreateThread(nullptr, 0, WorkerMain, &start, 0, nullptr) : nullptr);
    if (!thread) {
        work();
        return false;
    }
    // The thread gives the reference up itself.
    module.release();

    bool quitTaken = false;
    WPARAM quitCode = 0;
    HANDLE waitFor = thread.get();
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &waitFor, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) {
            break;
        }
        if (woken == WAIT_FAILED) {
            // No message can be waited for: wait for the work alone.
            WaitForSingleObject(waitFor, INFINITE);
            break;
        }
        WPARAM code = 0;
        if (DispatchQueue(hooks, &code) && !quitTaken) {
            quitTaken = true;
            quitCode = code;
            if (hooks.quitSeen) {
                hooks.quitSeen();
            }
        }
    }
    if (quitTaken) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
    if (start.failure) {
        std::rethrow_exception(start.failure);
    }
    return quitTaken;
}

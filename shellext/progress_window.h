// The progress window of one operation, seen from both of its threads: the calling thread, which owns
// the window and reads its messages while the work runs, and the worker, whose conversions report to it
// here. Everything the worker asks of the window travels as a message sent to the owning thread, so the
// worker itself never touches or shows a window.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "conversion_observer.h"

class ProgressWindowScope final : public ConversionObserver {
public:
    // On the calling thread, which owns the window from then on. No window shows until Open.
    // raiseTopmost raises it once more above every other when it opens.
    explicit ProgressWindowScope(bool raiseTopmost);
    ProgressWindowScope(const ProgressWindowScope&) = delete;
    ProgressWindowScope& operator=(const ProgressWindowScope&) = delete;
    // Destroys the window if it is still open.
    ~ProgressWindowScope();

    // Runs work on a thread of its own (worker_thread.h) while this thread keeps its windows, the
    // progress window among them, answering. A WM_QUIT met meanwhile stops the work as Cancel does; the
    // result is then true.
    bool RunOffThread(const std::function<void()>& work);

    // From either thread: shows the window for a batch of totalFiles (more than 0) files.
    void Open(uint32_t totalFiles);
    // On the owning thread, once the work has ended: destroys the window, so that what is said next is
    // owned by the window the command was given.
    void Close();

    // Shown in the window while it exists; nothing when it could not be created.
    void FileStarted(const PathString& path, uint64_t totalBytes) override;
    void ChunkDone(uint64_t bytes) override;
    // A message box owned by the window when there is one, shown by the owning thread; the conversion
    // waits until the user has closed it.
    void WrongPassword(const PathString& containerPath) override;
    // True once the user pressed Cancel or the owning thread was told to quit.
    bool StopRequested() override;

private:
    static LRESULT CALLBACK RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Relay(UINT message, WPARAM wParam, LPARAM lParam);
    HWND Window() const;

    bool m_raiseTopmost;
    // A message-only window of the owning thread: the worker's messages to the progress window go
    // through it.
    HWND m_relay = nullptr;
    WNDPROC m_staticProc = nullptr;
    // Set on the owning thread, read by the worker: the dialog object outlives batches, and its Cancel
    // state counts only once this batch's window is open.
    std::atomic<bool> m_windowOpened = false;
    std::atomic<bool> m_quitSeen = false;
};

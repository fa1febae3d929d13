// The shared progress dialog of one operation, driven from the worker through a message-only window of
// the thread that owns it, and the wrong-password message its conversions ask for.
#include "progress_window.h"

#include "global_dialogs.h"
#include "shell_texts.h"
#include "worker_thread.h"

namespace {

// The relay's messages. Their parameters point into the sending thread's frame, which waits for the
// answer.
enum RelayMessage : UINT {
    kOpenWindow = WM_APP + 1, // wParam: total files
    kFileStarted,             // wParam: const PathString*, lParam: const uint64_t* total bytes
    kChunkDone,               // lParam: const uint64_t* bytes
    kWrongPassword,
};

} // namespace

ProgressWindowScope::ProgressWindowScope(bool raiseTopmost) : m_raiseTopmost(raiseTopmost) {
    // A STATIC window made message-only and given this relay's procedure: no window class of the module
    // to outlive an unload.
    m_relay = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (m_relay != nullptr) {
        SetWindowLongPtrW(m_relay, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_staticProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m_relay, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayProc)));
    }
}

ProgressWindowScope::~ProgressWindowScope() {
    Close();
    if (m_relay != nullptr) {
        DestroyWindow(m_relay);
    }
}

bool ProgressWindowScope::RunOffThread(const std::function<void()>& work) {
    PumpHooks hooks;
    hooks.dialog = [this] { return Window(); };
    hooks.quitSeen = [this] { m_quitSeen = true; };
    return RunWhilePumping(work, hooks);
}

void ProgressWindowScope::Open(uint32_t totalFiles) {
    SendMessageW(m_relay, kOpenWindow, totalFiles, 0);
}

void ProgressWindowScope::Close() {
    ProgressDialog().DestroyWindow();
}

void ProgressWindowScope::FileStarted(const PathString& path, uint64_t totalBytes) {
    SendMessageW(m_relay, kFileStarted, reinterpret_cast<WPARAM>(&path), reinterpret_cast<LPARAM>(&totalBytes));
}

void ProgressWindowScope::ChunkDone(uint64_t bytes) {
    SendMessageW(m_relay, kChunkDone, 0, reinterpret_cast<LPARAM>(&bytes));
}

void ProgressWindowScope::WrongPassword(const PathString&) {
    SendMessageW(m_relay, kWrongPassword, 0, 0);
}

bool ProgressWindowScope::StopRequested() {
    return m_quitSeen.load() || (m_windowOpened.load() && ProgressDialog().CancelRequested());
}

HWND ProgressWindowScope::Window() const {
    return ProgressDialog().GetSafeHwnd();
}

LRESULT CALLBACK ProgressWindowScope::RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* scope = reinterpret_cast<ProgressWindowScope*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (scope == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message < kOpenWindow || message > kWrongPassword) {
        return CallWindowProcW(scope->m_staticProc, window, message, wParam, lParam);
    }
    return scope->Relay(message, wParam, lParam);
}

LRESULT ProgressWindowScope::Relay(UINT message, WPARAM wParam, LPARAM lParam) {
    CProgDlg& progress = ProgressDialog();
    switch (message) {
    case kOpenWindow:
        progress.m_nTotalFiles = static_cast<uint32_t>(wParam);
        if (!progress.Create(nullptr)) {
            return 0;
        }
        m_windowOpened = true;
        if (m_raiseTopmost) {
            HWND window = progress.GetSafeHwnd();
            RECT frame{};
            GetWindowRect(window, &frame);
            SetWindowPos(window, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                         frame.bottom - frame.top, SWP_SHOWWINDOW);
        }
        return 0;
    case kFileStarted:
        if (progress.GetSafeHwnd() != nullptr) {
            progress.UpdateProgress(reinterpret_cast<const PathString*>(wParam)->c_str(),
                                    *reinterpret_cast<const uint64_t*>(lParam), 0);
        }
        return 0;
    case kChunkDone:
        if (progress.GetSafeHwnd() != nullptr) {
            progress.UpdateProgress(nullptr, 0, *reinterpret_cast<const uint64_t*>(lParam));
        }
        return 0;
    case kWrongPassword:
        MessageBoxW(progress.GetSafeHwnd(), WrongPasswordText(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    default:
        return 0;
    }
}

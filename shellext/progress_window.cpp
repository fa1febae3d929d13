// Connecting the engine's reports to the shared progress dialog, and the wrong-password message the
// engine asks for, owned by the progress window when there is one.
#include "progress_window.h"

#include <windows.h>

#include "conversion_hooks.h"
#include "container.h"
#include "global_dialogs.h"
#include "shell_texts.h"

namespace {

void ForwardProgress(void*, const PathChar* name, uint64_t totalBytes, uint64_t chunkBytes) {
    CProgDlg& progress = ProgressDialog();
    if (progress.GetSafeHwnd() != nullptr) {
        progress.UpdateProgress(name, totalBytes, chunkBytes);
    }
}

void ShowWrongPassword(void*, const PathChar*) {
    MessageBoxW(ProgressDialog().GetSafeHwnd(), WrongPasswordText(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

ProgressWindowScope::ProgressWindowScope(uint32_t totalFiles, bool raiseTopmost) {
    CProgDlg& progress = ProgressDialog();
    progress.m_nTotalFiles = totalFiles;
    SetWrongPasswordHook(ShowWrongPassword, nullptr);
    if (progress.Create(nullptr)) {
        SetProgressHook(ForwardProgress, nullptr);
        if (raiseTopmost) {
            HWND window = progress.GetSafeHwnd();
            RECT frame{};
            GetWindowRect(window, &frame);
            SetWindowPos(window, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left,
                         frame.bottom - frame.top, SWP_SHOWWINDOW);
        }
    }
}

ProgressWindowScope::~ProgressWindowScope() {
    SetProgressHook(nullptr, nullptr);
    SetWrongPasswordHook(nullptr, nullptr);
    ProgressDialog().DestroyWindow();
}

// The shared progress dialog of one operation, and the wrong-password message its conversions ask for,
// owned by the progress window when there is one.
#include "progress_window.h"

#include <windows.h>

#include "container.h"
#include "global_dialogs.h"
#include "shell_texts.h"

ProgressWindowScope::ProgressWindowScope(uint32_t totalFiles, bool raiseTopmost) {
    CProgDlg& progress = ProgressDialog();
    progress.m_nTotalFiles = totalFiles;
    if (progress.Create(nullptr) && raiseTopmost) {
        HWND window = progress.GetSafeHwnd();
        RECT frame{};
        GetWindowRect(window, &frame);
        SetWindowPos(window, HWND_TOPMOST, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_SHOWWINDOW);
    }
}

ProgressWindowScope::~ProgressWindowScope() {
    ProgressDialog().DestroyWindow();
}

void ProgressWindowScope::FileStarted(const PathString& path, uint64_t totalBytes) {
    CProgDlg& progress = ProgressDialog();
    if (progress.GetSafeHwnd() != nullptr) {
        progress.UpdateProgress(path.c_str(), totalBytes, 0);
    }
}

void ProgressWindowScope::ChunkDone(uint64_t bytes) {
    CProgDlg& progress = ProgressDialog();
    if (progress.GetSafeHwnd() != nullptr) {
        progress.UpdateProgress(nullptr, 0, bytes);
    }
}

void ProgressWindowScope::WrongPassword(const PathString&) {
    MessageBoxW(ProgressDialog().GetSafeHwnd(), WrongPasswordText(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

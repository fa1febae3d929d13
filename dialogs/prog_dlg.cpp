// The progress window: its counts, its bar arithmetic and its Cancel button.
#include "prog_dlg.h"

#include <commctrl.h>

#include "dialog_ids.h"
#include "progress_share.h"
#include "ui_language.h"

namespace {

constexpr LocalText kTotalFiles{L"Total files: ", L"总文件数量："};
constexpr LocalText kFinishedFiles{L"Finished files: ", L"已完成数量："};

std::wstring CountLine(const LocalText& label, long long count) {
    return label.Get() + std::to_wstring(count);
}

int BarPosition(uint64_t part, uint64_t whole) {
    return static_cast<int>(ProgressPercent(part, whole));
}

} // namespace

CProgDlg::CProgDlg() : CTolvaneDialog(IDD_PROGRESS, false) {}

bool CProgDlg::Create(HWND parent) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    if (!CTolvaneDialog::Create(parent)) {
        return false;
    }
    UpdateWindow(m_hWnd);
    return true;
}

void CProgDlg::DoDataExchange(CDataExchange& dx) {
    dx.Control(IDC_PROG_TOTAL_BAR, m_ctrlTotal.m_hWnd);
    dx.Control(IDC_PROG_FILE_BAR, m_ctrlFile.m_hWnd);
    dx.StaticText(IDC_PROG_TOTAL_FILES, m_strTotal);
    dx.StaticText(IDC_PROG_FINISHED_FILES, m_strFinished);
    dx.StaticText(IDC_PROG_CURRENT_FILE, m_strCurFile);
}

BOOL CProgDlg::OnInitDialog() {
    // Nothing of an earlier batch shows in a new one.
    m_strCurFile.clear();
    CTolvaneDialog::OnInitDialog();
    m_cancelRequested = false;
    ShowWindow(GetDlgItem(m_hWnd, IDCANCEL), SW_SHOW);
    m_nFinished = -1;
    m_nFileDone = 0;
    m_nFileSize = 0;
    m_ctrlFile.SetRange(0, 100);
    m_ctrlTotal.SetRange(0, 100);
    m_ctrlTotal.SetPos(0);
    m_ctrlFile.SetPos(0);
    m_strTotal = CountLine(kTotalFiles, m_nTotalFiles);
    m_strFinished = CountLine(kFinishedFiles, 0);
    UpdateData(false);
    return TRUE;
}

bool CProgDlg::UpdateProgress(const wchar_t* path, uint64_t size, uint64_t chunk) {
    if (path && size > 0) {
        m_nFileSize = size;
        m_nFileDone = 0;
        m_strCurFile = path;
        ++m_nFinished;
        m_strFinished = CountLine(kFinishedFiles, m_nFinished);
        m_ctrlTotal.SetPos(BarPosition(static_cast<uint64_t>(m_nFinished), m_nTotalFiles));
        m_ctrlFile.SetPos(0);
    }
    // Bytes with no file started have no share to show.
    if (chunk > 0 && m_nFileSize > 0) {
        m_nFileDone += chunk;
        m_ctrlFile.SetPos(BarPosition(m_nFileDone, m_nFileSize));
    }
    const bool written = UpdateData(false);
    // Paint what changed now rather than when the queue next falls idle: updates come in quick
    // succession while a batch runs.
    if (m_hWnd) {
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    return written;
}

void CProgDlg::OnCancel() {
    if (m_cancelRequested.exchange(true)) {
        return;
    }
    // The button stays visible but greyed, so the user sees the request was taken.
    EnableWindow(GetDlgItem(m_hWnd, IDCANCEL), FALSE);
}

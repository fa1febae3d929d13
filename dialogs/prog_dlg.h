// CProgDlg: the modeless, topmost progress window of a batch (current file, per-file and overall bars,
// total and finished counts) and its Cancel button.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "progress_ctrl.h"
#include "tolvane_dialog.h"

class CProgDlg : public CTolvaneDialog {
public:
    CProgDlg();

    // Makes sure the progress-bar class exists, then creates the window (visible, topmost, no owner).
    bool Create(HWND parent = nullptr);

    // A file start (path, its size > 0, chunk 0) and/or bytes read (chunk > 0). The window repaints at
    // once, without the message queue being serviced. False when the texts could not be written.
    bool UpdateProgress(const wchar_t* path, uint64_t size, uint64_t chunk);

    // True once Cancel (or Esc) was pressed in this window since it was created. Safe from any thread:
    // the batch's worker asks it between chunks.
    bool CancelRequested() const { return m_cancelRequested.load(); }

    CProgressCtrl m_ctrlTotal;
    CProgressCtrl m_ctrlFile;
    std::wstring m_strTotal;
    std::wstring m_strFinished;
    std::wstring m_strCurFile;
    uint32_t m_nTotalFiles = 0; // set by the caller before Create; never 0 while the window exists
    int32_t m_nFinished = 0;    // files started minus one; -1 before the first start
    uint64_t m_nFileDone = 0;
    uint64_t m_nFileSize = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    // Cancel asks the batch to stop; the window stays until the batch has ended. A second press does
    // nothing more.
    void OnCancel() override;

private:
    std::atomic<bool> m_cancelRequested = false;
};

// The hand-over window: its texts in the UI language, the file's path, and a place in front of the user,
// who may be working in another program's window by then.
#include "hand_over_dlg.h"

#include <utility>

#include "installer_texts.h"
#include "resource.h"
#include "this_module.h"

CHandOverDlg::CHandOverDlg(std::wstring plainPath) : CDialog(IDD_HAND_OVER), m_plainPath(std::move(plainPath)) {}

void CHandOverDlg::WaitForTheUser() {
    DoModal(ThisModule());
}

BOOL CHandOverDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (HICON icon = ::LoadIconW(ThisModule(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    if (!g_bChineseUI) {
        ::SetDlgItemTextW(m_hWnd, IDC_HAND_OVER_LEAD, kHandOverLead.english);
        ::SetDlgItemTextW(m_hWnd, IDC_HAND_OVER_TEXT, kHandOverText.english);
        ::SetDlgItemTextW(m_hWnd, IDOK, kEncryptAgainNow.english);
    }
    ::SetDlgItemTextW(m_hWnd, IDC_HAND_OVER_PATH, m_plainPath.c_str());
    ::SetForegroundWindow(m_hWnd);
    return TRUE;
}

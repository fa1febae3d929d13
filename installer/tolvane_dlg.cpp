// The main dialog: set-up of its menu, icon and button texts, its painting, and the routing of its two
// buttons and the about item. The install and uninstall procedures live in install_procedures.cpp.
#include "tolvane_dlg.h"

#include "tolvane_about_dlg.h"
#include "installer_texts.h"
#include "resource.h"
#include "draw_logo.h"
#include "this_module.h"
#include "win_handles.h"

CTolvaneDlg::CTolvaneDlg()
    : CDialog(IDD_TOLVANE_DIALOG), m_hIcon(::LoadIconW(ThisModule(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

INT_PTR CTolvaneDlg::DoModal() {
    return CDialog::DoModal(ThisModule());
}

BOOL CTolvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        wchar_t aboutItem[128] = {};
        if (::LoadStringW(ThisModule(), IDS_ABOUTBOX, aboutItem, static_cast<int>(std::size(aboutItem))) > 0) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutItem);
        }
    }

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (!g_bChineseUI) {
        ::SetDlgItemTextW(m_hWnd, IDOK, kInstallButton.english);
        ::SetDlgItemTextW(m_hWnd, IDC_UNINSTALL, kUninstallButton.english);
    }
    return TRUE;
}

bool CTolvaneDlg::OnSysCommand(WPARAM command, LPARAM position) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CTolvaneAboutDlg about;
        about.DoModal(ThisModule(), m_hWnd);
        return true;
    }
    return CDialog::OnSysCommand(command, position);
}

bool CTolvaneDlg::OnCommand(int controlId, int notification) {
    if (controlId == IDC_UNINSTALL && notification == BN_CLICKED) {
        OnUninstall();
        return true;
    }
    return CDialog::OnCommand(controlId, notification);
}

bool CTolvaneDlg::OnPaint() {
    PaintScope paint(m_hWnd);
    if (::IsIconic(m_hWnd)) {
        ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(paint.get(), x, y, m_hIcon);
        return true;
    }
    // Drawn inside the paint cycle, after the background has been erased, so the erase cannot wipe it.
    DrawLogo(m_hWnd, ThisModule());
    return true;
}

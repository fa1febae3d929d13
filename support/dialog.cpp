// The dialog procedure, the modal and modeless runs, and data exchange of CDialog.
#include "dialog.h"

#include <windowsx.h>

#include <algorithm>

std::wstring GetControlText(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)), L'\0');
    if (!text.empty()) {
        int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size() + 1));
        text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    }
    return text;
}

void CenterWindow(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    RECT area{};
    HWND owner = GetWindow(window, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        area = monitor.rcWork;
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Keep the whole frame on the monitor's work area.
    const RECT& work = monitor.rcWork;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CDataExchange::Item(int controlId) {
    HWND control = GetDlgItem(m_dialog, controlId);
    if (!control) {
        m_succeeded = false;
    }
    return control;
}

void CDataExchange::Text(int controlId, std::wstring& value, int limit) {
    HWND control = Item(controlId);
    if (!control) {
        return;
    }
    if (m_saving) {
        // Read into the member's own storage so that a secret held there is not copied elsewhere.
        const size_t length = static_cast<size_t>(GetWindowTextLengthW(control));
        value.resize(length);
        int copied = GetWindowTextW(control, value.data(), static_cast<int>(length + 1));
        value.resize(static_cast<size_t>(copied > 0 ? copied : 0));
        return;
    }
    if (limit > 0) {
        SendMessageW(control, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    }
    SetWindowTextW(control, value.c_str());
}

void CDataExchange::StaticText(int controlId, const std::wstring& value) {
    HWND control = Item(controlId);
    if (!control || m_saving) {
        return;
    }
    if (GetControlText(control) != value) {
        SetWindowTextW(control, value.c_str());
    }
}

void CDataExchange::Control(int controlId, HWND& control) {
    control = Item(controlId);
}

CDialog::~CDialog() {
    if (m_hWnd && !m_modal) {
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal(HINSTANCE resources, HWND parent) {
    m_modal = true;
    INT_PTR result =
        DialogBoxParamW(resources, MAKEINTRESOURCEW(m_templateId), parent, DialogProc, reinterpret_cast<LPARAM>(this));
    m_modal = false;
    return result;
}

bool CDialog::Create(HINSTANCE resources, HWND parent) {
    if (m_hWnd) {
        return true;
    }
    m_modal = false;
    return CreateDialogParamW(resources, MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::DestroyWindow() {
    if (m_hWnd && !m_modal) {
        ::DestroyWindow(m_hWnd);
    }
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (!m_hWnd) {
        return false;
    }
    CDataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return dx.Succeeded();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnSysCommand(WPARAM, LPARAM) {
    return false;
}

bool CDialog::OnCommand(int, int) {
    return false;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::EndDialog(INT_PTR result) {
    if (!m_hWnd) {
        return;
    }
    if (m_modal) {
        ::EndDialog(m_hWnd, result);
    } else {
        // A modeless window stays for its owner to destroy.
        ShowWindow(m_hWnd, SW_HIDE);
    }
}

int CDialog::ShowMessage(const wchar_t* text, const wchar_t* caption, UINT flags) {
    return ::MessageBoxW(m_hWnd, text, caption, flags);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        RECT before{};
        GetWindowRect(window, &before);
        const BOOL result = dialog->OnInitDialog();
        RECT after{};
        GetWindowRect(window, &after);
        // A dialog that its initialisation did not place is centred, as users expect of a dialog box.
        if (EqualRect(&before, &after)) {
            CenterWindow(window);
        }
        return result;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        dialog->m_hWnd = nullptr;
        SetWindowLongPtrW(window, DWLP_USER, 0);
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = GET_WM_COMMAND_ID(wParam, lParam);
        const int notification = GET_WM_COMMAND_CMD(wParam, lParam);
        if (notification == BN_CLICKED && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (notification == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return OnCommand(id, notification);
    }
    case WM_PAINT:
        return OnPaint();
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam, lParam)) {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

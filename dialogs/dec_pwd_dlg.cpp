// The decrypt-password dialog: its check and its message.
#include "dec_pwd_dlg.h"

#include "dialog_ids.h"
#include "ui_language.h"

namespace {

constexpr LocalText kEmptyPassword{L"Please Input password.", L"请输入密码。"};

} // namespace

CDecPwdDlg::CDecPwdDlg() : CPasswordDialog(IDD_DECRYPT_PASSWORD, IDC_DEC_PASSWORD) {}

void CDecPwdDlg::OnOK() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        ShowMessage(kEmptyPassword.Get(), kMessageCaption, MB_ICONEXCLAMATION);
        return;
    }
    CPasswordDialog::OnOK();
}

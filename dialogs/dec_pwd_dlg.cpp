// The decrypt-password dialog: its English texts, its check and its message.
#include "dec_pwd_dlg.h"

#include "dialog_ids.h"
#include "ui_language.h"

namespace {

constexpr ControlText kEnglishTexts[] = {
    {IDOK, L"OK"},
    {IDCANCEL, L"Cancel"},
    {IDC_DEC_PASSWORD_LABEL, L"Password:"},
    {IDC_DEC_PROMPT, L"Please input password to decrypt file or folder:"},
};

constexpr LocalText kEmptyPassword{L"Please Input password.", L"请输入密码。"};

} // namespace

CDecPwdDlg::CDecPwdDlg() : CPasswordDialog(IDD_DECRYPT_PASSWORD, IDC_DEC_PASSWORD, kEnglishTexts) {}

void CDecPwdDlg::OnOK() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        ShowMessage(kEmptyPassword.Get(), kMessageCaption, MB_ICONEXCLAMATION);
        return;
    }
    CPasswordDialog::OnOK();
}

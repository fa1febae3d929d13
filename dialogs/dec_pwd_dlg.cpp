// The decrypt-password dialog: its English texts, its check and its message.
#include "dec_pwd_dlg.h"

#include "dialog_ids.h"
#include "wipe_string.h"
#include "ui_language.h"

namespace {

constexpr const wchar_t* kEnglishCaption = L"Password";
constexpr ControlText kEnglishTexts[] = {
    {IDOK, L"OK"},
    {IDCANCEL, L"Cancel"},
    {IDC_DEC_PASSWORD_LABEL, L"Password:"},
    {IDC_DEC_PROMPT, L"Please input password to decrypt file or folder:"},
};

constexpr LocalText kEmptyPassword{L"Please Input password.", L"请输入密码。"};

} // namespace

CDecPwdDlg::CDecPwdDlg() : CTolvaneDialog(IDD_DECRYPT_PASSWORD, true) {}

CDecPwdDlg::~CDecPwdDlg() {
    SecureWipe(m_strPassword);
}

std::wstring CDecPwdDlg::TakePassword() {
    std::wstring copy(m_strPassword);
    SecureWipe(m_strPassword);
    return copy;
}

void CDecPwdDlg::DoDataExchange(CDataExchange& dx) {
    dx.Text(IDC_DEC_PASSWORD, m_strPassword, kMaxPasswordLength);
}

BOOL CDecPwdDlg::OnInitDialog() {
    CTolvaneDialog::OnInitDialog();
    SecureWipe(m_strPassword);
    if (!g_bChineseUI) {
        SetTexts(kEnglishCaption, kEnglishTexts);
    }
    UpdateData(false);
    return TRUE;
}

void CDecPwdDlg::OnOK() {
    UpdateData(true);
    if (m_strPassword.empty()) {
        ShowMessage(kEmptyPassword.Get(), kMessageCaption, MB_ICONEXCLAMATION);
        return;
    }
    CTolvaneDialog::OnOK();
}

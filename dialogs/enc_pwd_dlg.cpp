// The encrypt-password dialog: its checks and its messages.
#include "enc_pwd_dlg.h"

#include "dialog_ids.h"
#include "password_rules.h"
#include "secure_wipe.h"
#include "ui_language.h"

namespace {

constexpr LocalText kEmptyPassword{L"Password can not be empty.", L"密码不能为空。"};
constexpr LocalText kNotMatched{L"The password you input is not matched.", L"您输入的密码不匹配。"};
// The key is made from the low byte of each character; anything above U+00FF would be lost from it.
constexpr LocalText kNotLatin{
    L"The password may only contain Latin letters, digits, spaces and symbols. Other characters (for "
    L"example Chinese characters) would be left out of the encryption key, and the file would not be "
    L"protected by them.",
    L"密码只能包含拉丁字母、数字、空格和符号。其他字符（例如汉字）不会进入加密密钥，无法保护文件。"};

} // namespace

CEncPwdDlg::CEncPwdDlg() : CPasswordDialog(IDD_ENCRYPT_PASSWORD, IDC_ENC_PASSWORD) {}

CEncPwdDlg::~CEncPwdDlg() {
    SecureWipe(m_strConfirm);
}

void CEncPwdDlg::DoDataExchange(CDataExchange& dx) {
    CPasswordDialog::DoDataExchange(dx);
    dx.Text(IDC_ENC_CONFIRM, m_strConfirm, kMaxPasswordLength);
}

void CEncPwdDlg::WipeFields() {
    CPasswordDialog::WipeFields();
    SecureWipe(m_strConfirm);
}

void CEncPwdDlg::OnOK() {
    UpdateData(true);
    // The field holds at most the engine's limit and no NUL, so past an empty password only a character
    // beyond Latin-1 is left to refuse.
    const PasswordProblem problem = CheckPassword(m_strPassword, BatchMode::Encrypt);
    const LocalText* refusal = nullptr;
    if (problem == PasswordProblem::Empty) {
        refusal = &kEmptyPassword;
    } else if (m_strPassword != m_strConfirm) {
        refusal = &kNotMatched;
    } else if (problem != PasswordProblem::None) {
        refusal = &kNotLatin;
    }
    if (refusal) {
        ShowMessage(refusal->Get(), kMessageCaption, MB_ICONEXCLAMATION);
        return;
    }
    CPasswordDialog::OnOK();
    // Only the password is handed on; its confirmation has done its job.
    SecureWipe(m_strConfirm);
}

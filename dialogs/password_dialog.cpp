// The common part of the password dialogs (contract in password_dialog.h).
#include "password_dialog.h"

#include "ui_language.h"
#include "secure_wipe.h"

namespace {

constexpr const wchar_t* kEnglishCaption = L"Password";

} // namespace

CPasswordDialog::CPasswordDialog(UINT templateId, int passwordControl, std::span<const ControlText> englishTexts)
    : CTolvaneDialog(templateId, true), m_passwordControl(passwordControl), m_englishTexts(englishTexts) {}

CPasswordDialog::~CPasswordDialog() {
    SecureWipe(m_strPassword);
}

void CPasswordDialog::TakePassword(PasswordSecret& out) {
    out.Assign(m_strPassword.data(), m_strPassword.size());
    SecureWipe(m_strPassword);
}

void CPasswordDialog::DoDataExchange(CDataExchange& dx) {
    dx.Text(m_passwordControl, m_strPassword, kMaxPasswordLength);
}

void CPasswordDialog::WipeFields() {
    SecureWipe(m_strPassword);
}

BOOL CPasswordDialog::OnInitDialog() {
    CTolvaneDialog::OnInitDialog();
    WipeFields();
    if (!g_bChineseUI) {
        SetTexts(kEnglishCaption, m_englishTexts);
    }
    UpdateData(false);
    return TRUE;
}

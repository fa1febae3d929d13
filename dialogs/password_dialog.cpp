// The common part of the password dialogs (contract in password_dialog.h).
#include "password_dialog.h"

#include "secure_wipe.h"

CPasswordDialog::CPasswordDialog(UINT templateId, int passwordControl)
    : CTolvaneDialog(templateId, true), m_passwordControl(passwordControl) {}

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
    UpdateData(false);
    return TRUE;
}

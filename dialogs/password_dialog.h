// CPasswordDialog: what the two password dialogs share: the password field and its limit (the engine's),
// its wiping whenever the dialog opens or goes, and handing the password over once.
#pragma once

#include <string>

#include "enc_format.h"
#include "password_secret.h"
#include "tolvane_dialog.h"

class CPasswordDialog : public CTolvaneDialog {
public:
    static constexpr int kMaxPasswordLength = static_cast<int>(ENC_MAX_PASSWORD_UNITS);

    ~CPasswordDialog() override;

    // After IDOK: the accepted password into out. The member is wiped as it is handed over, so a second
    // call gives an empty password.
    void TakePassword(PasswordSecret& out);

protected:
    CPasswordDialog(UINT templateId, int passwordControl);

    void DoDataExchange(CDataExchange& dx) override;
    // Empties the fields and shows them.
    BOOL OnInitDialog() override;
    // Wipes every field that holds a password; a dialog with more fields adds its own.
    virtual void WipeFields();

    std::wstring m_strPassword;

private:
    int m_passwordControl;
};

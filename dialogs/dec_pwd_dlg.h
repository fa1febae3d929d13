// CDecPwdDlg: asks for the decryption password once (1 to 32 characters, any characters, since every
// container must open).
#pragma once

#include "password_dialog.h"

class CDecPwdDlg : public CPasswordDialog {
public:
    CDecPwdDlg();

protected:
    void OnOK() override;
};

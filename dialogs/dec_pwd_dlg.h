// CDecPwdDlg: asks for the decryption password once.
#pragma once

#include <string>

#include "tolvane_dialog.h"

class CDecPwdDlg : public CTolvaneDialog {
public:
    static constexpr int kMaxPasswordLength = 32;

    CDecPwdDlg();
    ~CDecPwdDlg() override;

    // After IDOK: the password (1 to 32 characters, any characters, since every container must open).
    // The member is wiped as it is handed over.
    std::wstring TakePassword();

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_strPassword;
};

// CEncPwdDlg: asks for the encryption password twice.
#pragma once

#include <string>

#include "tolvane_dialog.h"

class CEncPwdDlg : public CTolvaneDialog {
public:
    static constexpr int kMaxPasswordLength = 32;

    CEncPwdDlg();
    ~CEncPwdDlg() override;

    // After IDOK: the accepted password (1 to 32 characters, none above U+00FF). The member is wiped
    // as it is handed over, so a second call gives an empty string.
    std::wstring TakePassword();

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_strPassword;
    std::wstring m_strConfirm;
};

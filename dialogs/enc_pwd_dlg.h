// CEncPwdDlg: asks for the encryption password twice (1 to 32 characters, none above U+00FF).
#pragma once

#include <string>

#include "password_dialog.h"

class CEncPwdDlg : public CPasswordDialog {
public:
    CEncPwdDlg();
    ~CEncPwdDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void WipeFields() override;
    void OnOK() override;

private:
    std::wstring m_strConfirm;
};

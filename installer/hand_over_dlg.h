// CHandOverDlg: the window Tolvane.exe shows when the program a file was opened with handed it on (or
// none could be followed): it names the plain file and waits for the user to say that it may be
// encrypted again.
#pragma once

#include <string>

#include "dialog.h"

class CHandOverDlg : public CDialog {
public:
    explicit CHandOverDlg(std::wstring plainPath);

    // Returns when the user chose "Encrypt again now" or closed the window; both mean the same.
    void WaitForTheUser();

protected:
    BOOL OnInitDialog() override;

private:
    std::wstring m_plainPath;
};

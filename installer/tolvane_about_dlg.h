// CTolvaneAboutDlg: the about box of Tolvane.exe, all in its template.
#pragma once

#include "dialog.h"

class CTolvaneAboutDlg : public CDialog {
public:
    CTolvaneAboutDlg();
};

// CAboutDlg: the about box (version, maker, web address, cipher) under the logo band.
#pragma once

#include "tolvane_dialog.h"

class CAboutDlg : public CTolvaneDialog {
public:
    CAboutDlg();
};

// The about box has no behaviour of its own beyond its template.
#include "tolvane_about_dlg.h"

#include "resource.h"

CTolvaneAboutDlg::CTolvaneAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// The about box: its template; its texts come with it (see CTolvaneDialog).
#include "about_dlg.h"

#include "dialog_ids.h"

CAboutDlg::CAboutDlg() : CTolvaneDialog(IDD_ABOUT, true) {}

// The four dialogs every command of the process shares. They are built without windows when the module
// loads and live until it unloads; the busy flag makes sure one command uses them at a time.
#pragma once

#include "about_dlg.h"
#include "dec_pwd_dlg.h"
#include "enc_pwd_dlg.h"
#include "prog_dlg.h"

CEncPwdDlg& EncryptPasswordDialog();
CDecPwdDlg& DecryptPasswordDialog();
CProgDlg& ProgressDialog();
CAboutDlg& AboutDialog();

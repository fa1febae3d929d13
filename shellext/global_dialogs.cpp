// Storage of the module-wide dialog objects.
#include "global_dialogs.h"

namespace {

CEncPwdDlg g_encryptPasswordDialog;
CDecPwdDlg g_decryptPasswordDialog;
CProgDlg g_progressDialog;
CAboutDlg g_aboutDialog;

} // namespace

CEncPwdDlg& EncryptPasswordDialog() {
    return g_encryptPasswordDialog;
}
CDecPwdDlg& DecryptPasswordDialog() {
    return g_decryptPasswordDialog;
}
CProgDlg& ProgressDialog() {
    return g_progressDialog;
}
CAboutDlg& AboutDialog() {
    return g_aboutDialog;
}

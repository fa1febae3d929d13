// QvDecFile and QvEncFile: decrypt one container after asking for its password, and later encrypt the
// plain file again with the password remembered in between. Each conversion runs on a thread of its own
// while the caller's thread keeps its windows answering; Cancel in the progress window abandons it.
#include <windows.h>

#include <cwchar>

#include "busy_guard.h"
#include "container.h"
#include "global_dialogs.h"
#include "module_lock.h"
#include "password_secret.h"
#include "progress_window.h"
#include "qv_shell_ext.h"
#include "restored_name.h"

namespace {

// The password QvDecFile remembers for the next QvEncFile, shared by every object of the process.
PasswordSecret g_szPassword;

void ForgetPassword() {
    g_szPassword.Wipe();
}

bool IsEmpty(const unsigned short* text) {
    return text == nullptr || text[0] == 0;
}

const wchar_t* AsWide(const unsigned short* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

} // namespace

HRESULT QvShellExt::QvDecFile(unsigned short* pszName, unsigned short* pszFile) {
    if (IsEmpty(pszName) || pszFile == nullptr) {
        return S_FALSE;
    }
    BusyGuard busy;
    if (!busy.Acquired()) {
        return S_FALSE;
    }
    CDecPwdDlg& dialog = DecryptPasswordDialog();
    if (dialog.DoModal() == IDCANCEL) {
        return S_FALSE;
    }
    ForgetPassword();
    dialog.TakePassword(g_szPassword);

    ConvertResult result;
    {
        ModuleLockHolder conversionRunning;
        ProgressWindowScope progress(false);
        progress.RunOffThread([&] {
            progress.Open(1);
            result = DecryptFromContainer(AsWide(pszName), g_szPassword.c_str(), &progress);
        });
    }
    RememberRestoredName(result);
    // The caller's buffer holds at least RESTORED_NAME_UNITS units.
    wchar_t* restoredName = reinterpret_cast<wchar_t*>(pszFile);
    wcsncpy(restoredName, g_szRestoredName, RESTORED_NAME_UNITS - 1);
    restoredName[RESTORED_NAME_UNITS - 1] = L'\0';
    return ConvertedAtAll(result.outcome) ? S_OK : S_FALSE;
}

HRESULT QvShellExt::QvEncFile(unsigned short* pszName) {
    BusyGuard busy;
    if (!busy.Acquired() || g_szPassword.empty() || IsEmpty(pszName)) {
        return S_FALSE;
    }
    bool encrypted = false;
    {
        ModuleLockHolder conversionRunning;
        ProgressWindowScope progress(false);
        progress.RunOffThread([&] {
            progress.Open(1);
            encrypted = ConvertedAtAll(EncryptToContainer(AsWide(pszName), g_szPassword.c_str(), &progress).outcome);
        });
    }
    ForgetPassword();
    return encrypted ? S_OK : S_FALSE;
}

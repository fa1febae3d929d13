// CTolvaneDlg: the main window of Tolvane.exe, with the install and uninstall buttons, the logo band and
// the about item in the system menu.
#pragma once

#include <windows.h>

#include <string>

#include "dialog.h"

class CTolvaneDlg : public CDialog {
public:
    CTolvaneDlg();

    INT_PTR DoModal();

    // Loads Qarnet.dll from libraryPath and calls DllRegisterServer (registerMode 1) or
    // DllUnregisterServer (any other mode), telling the user when the library or the entry is missing.
    // TRUE when the entry was called; *entryResult then holds what it returned.
    BOOL RegisterServer32(const std::wstring& libraryPath, int registerMode, HRESULT* entryResult);

protected:
    BOOL OnInitDialog() override;
    // Install; the dialog stays open.
    void OnOK() override;
    bool OnPaint() override;
    bool OnSysCommand(WPARAM command, LPARAM position) override;
    bool OnCommand(int controlId, int notification) override;

private:
    void OnUninstall();

    HICON m_hIcon;
};

// Install and uninstall, behind the two buttons of the main dialog. The library is registered before any
// key names its class and unregistered before the keys go, and the user is told the true outcome.
#include "tolvane_dlg.h"

#include "installer_texts.h"
#include "menu_package.h"
#include "module_path.h"
#include "shell_keys.h"
#include "wow64_guard.h"

namespace {

struct ProgramLocation {
    std::wstring programPath;
    std::wstring folder; // with its last backslash
    std::wstring libraryPath;
};

// Empty when the program's path is unknown or has no folder: then nothing is done and nothing shown.
ProgramLocation LocateProgram() {
    std::wstring programPath = ModuleFullPath(nullptr);
    std::wstring folder = FolderWithSeparator(programPath);
    if (folder.empty()) {
        return {};
    }
    std::wstring libraryPath = folder + L"Qarnet.dll";
    return {std::move(programPath), std::move(folder), std::move(libraryPath)};
}

} // namespace

void CTolvaneDlg::OnOK() {
    const ProgramLocation location = LocateProgram();
    if (location.libraryPath.empty()) {
        return;
    }
    if (IsThirtyTwoBitProgramOnSixtyFourBitWindows()) {
        ShowMessage(kUse64BitPackage.Get(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HRESULT registration = E_FAIL;
    if (!RegisterServer32(location.libraryPath, 1, &registration) || FAILED(registration)) {
        // A failed library registration leaves the Explorer keys unwritten: they would name a class
        // that cannot be created.
        ShowMessage(kInstallFailed.Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!WriteShellKeys(location.programPath)) {
        ShowMessage(kInstallFailed.Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // The classic menu is in place whatever Windows makes of the package, so install has succeeded.
    const MenuPackageResult package = RegisterMenuPackage(location.folder, m_hWnd);
    ShowMessage(kInstallSucceeded.Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
    if (package == MenuPackageResult::Refused) {
        ShowMessage(kMenuPackageRefused.Get(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CTolvaneDlg::OnUninstall() {
    const ProgramLocation location = LocateProgram();
    if (location.libraryPath.empty()) {
        return;
    }
    // The library's own result is not a reason to keep the keys: they are removed whatever it says.
    HRESULT unregistration = E_FAIL;
    if (!RegisterServer32(location.libraryPath, 0, &unregistration)) {
        ShowMessage(kUninstallFailed.Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const bool keysRemoved = DeleteShellKeys();
    // A package Windows kept would leave the commands in the Windows 11 menu: that is no uninstall.
    const bool removed = RemoveMenuPackage(m_hWnd) && keysRemoved;
    ShowMessage((removed ? kUninstallSucceeded : kUninstallFailed).Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
}

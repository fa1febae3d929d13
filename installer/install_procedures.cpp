// Install and uninstall, behind the two buttons of the main dialog. The library is registered before any
// key names its class and unregistered before the keys go, and the user is told the true outcome.
#include "tolvane_dlg.h"

#include "installer_texts.h"
#include "module_path.h"
#include "shell_keys.h"
#include "wow64_guard.h"

namespace {

struct ProgramLocation {
    std::wstring programPath;
    std::wstring libraryPath;
};

// Empty when the program's path is unknown or has no folder: then nothing is done and nothing shown.
ProgramLocation LocateProgram() {
    std::wstring programPath = ModuleFullPath(nullptr);
    std::wstring folder = FolderWithSeparator(programPath);
    if (folder.empty()) {
        return {};
    }
    return {std::move(programPath), folder + L"Qarnet.dll"};
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
    const bool written = WriteShellKeys(location.programPath);
    ShowMessage((written ? kInstallSucceeded : kInstallFailed).Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
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
    const bool removed = DeleteShellKeys();
    ShowMessage((removed ? kUninstallSucceeded : kUninstallFailed).Get(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
}

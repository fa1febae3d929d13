// The menu package registered and removed through PowerShell, started by its full path in the system
// folder. PowerShell is used rather than the package manager's WinRT interface, which would need the
// C++/WinRT projection (not in mingw-w64) or hand-declared interfaces and a HSTRING and async plumbing
// of our own; the cmdlets are the documented way to register a package with an external location.
#include "menu_package.h"

#include <optional>
#include <vector>

#include "folder.h"
#include "hidden_process.h"
#include "installer_seam.h"
#include "system_folder.h"
#include "windows_version.h"

namespace {

constexpr const wchar_t* kPackageVariable = L"TOLVANE_MENU_PACKAGE";
constexpr const wchar_t* kFolderVariable = L"TOLVANE_MENU_FOLDER";

// Fixed texts: the paths reach PowerShell only as values of the variables above, which the cmdlets get
// as plain strings, so a quote or a dollar sign in a folder name is just a character of that name.
constexpr const wchar_t* kRegisterScript =
    L"try { Add-AppxPackage -Path $env:TOLVANE_MENU_PACKAGE -ExternalLocation $env:TOLVANE_MENU_FOLDER "
    L"-ErrorAction Stop; exit 0 } catch { exit 1 }";
constexpr const wchar_t* kRemoveScript = L"try { Get-AppxPackage -Name Tolvane.ContextMenu | Remove-AppxPackage "
                                         L"-ErrorAction Stop; exit 0 } catch { exit 1 }";

// Only the 64-bit release carries a package: Explorer on 64-bit Windows loads only 64-bit handlers.
bool PackageBelongsToThisBuild() {
#ifdef _WIN64
    return true;
#else
    return false;
#endif
}

bool PackageApplies() {
    return PackageBelongsToThisBuild() && IsWindows11OrLater();
}

std::optional<DWORD> RunPowerShell(const wchar_t* script, const std::vector<EnvironmentVariable>& data, HWND owner) {
    const std::wstring program =
        PowerShellOverride().value_or(SystemFolderPath(L"WindowsPowerShell\\v1.0\\powershell.exe"));
    if (program.empty()) {
        return std::nullopt;
    }
    const std::wstring arguments =
        L"-NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"" + std::wstring(script) + L"\"";
    return RunHiddenAndWait(program, arguments, data, owner);
}

// The folder without its last backslash, unless that would turn "D:\" into the drive-relative "D:".
std::wstring FolderWithoutSeparator(const std::wstring& folder) {
    if (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') {
        return folder.substr(0, folder.size() - 1);
    }
    return folder;
}

} // namespace

MenuPackageResult RegisterMenuPackage(const std::wstring& programFolder, HWND owner) {
    if (!PackageApplies()) {
        return MenuPackageResult::NotTried;
    }
    const std::wstring package = programFolder + L"Tolvane-" TOLVANE_VERSION_TEXT L"-win64-menu.msix";
    if (ReadItemKind(package) != EntryKind::File) {
        return MenuPackageResult::NotTried;
    }
    const std::optional<DWORD> exitCode =
        RunPowerShell(kRegisterScript,
                      {{kPackageVariable, package}, {kFolderVariable, FolderWithoutSeparator(programFolder)}}, owner);
    return exitCode == 0u ? MenuPackageResult::Registered : MenuPackageResult::Refused;
}

bool RemoveMenuPackage(HWND owner) {
    if (!PackageApplies()) {
        return true;
    }
    return RunPowerShell(kRemoveScript, {}, owner) == 0u;
}

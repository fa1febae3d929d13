// What a test may change in the test build of Tolvane.exe: the Windows build the program believes it runs
// on (Wine reports an older one) and the program it starts in place of PowerShell. Only that build carries
// the seam (TOLVANE_INSTALLER_SEAM); in the shipped program every query is an inline "as it is".
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#ifndef TOLVANE_INSTALLER_SEAM
inline std::optional<DWORD> WindowsBuildOverride() {
    return std::nullopt;
}
inline std::optional<std::wstring> PowerShellOverride() {
    return std::nullopt;
}
#else
// The build number in the variable TOLVANE_SEAM_WINDOWS_BUILD of the program's environment.
std::optional<DWORD> WindowsBuildOverride();
// The full path of a program in the variable TOLVANE_SEAM_POWERSHELL of the program's environment.
std::optional<std::wstring> PowerShellOverride();
#endif

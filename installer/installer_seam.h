// What a test may change in the test build of Tolvane.exe: the Windows build the program believes it runs
// on (Wine reports an older one), the program it starts in place of PowerShell, and whether the shell
// gave back the process it started for a file (as when a running program takes the file over). Only that build carries
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
inline bool ShellGivesNoProcess() {
    return false;
}
#else
// The build number in the variable TOLVANE_SEAM_WINDOWS_BUILD of the program's environment.
std::optional<DWORD> WindowsBuildOverride();
// The full path of a program in the variable TOLVANE_SEAM_POWERSHELL of the program's environment.
std::optional<std::wstring> PowerShellOverride();
// True when the variable TOLVANE_SEAM_NO_PROCESS is set: the process the shell started is not followed.
bool ShellGivesNoProcess();
#endif

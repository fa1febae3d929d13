// The package that puts Tolvane into the first menu of Windows 11 Explorer: registered on install when it
// lies beside the program, with the program's folder as its external location, and removed on uninstall.
#pragma once

#include <windows.h>

#include <string>

enum class MenuPackageResult {
    NotTried,   // not Windows 11, a build that has no package, or no package beside the program
    Registered, // Windows accepted it
    Refused,    // Windows did not accept it (unsigned, or signed by a publisher it does not trust)
};

// programFolder ends in a backslash. owner stays disabled while Windows works on the package.
MenuPackageResult RegisterMenuPackage(const std::wstring& programFolder, HWND owner);

// On Windows 11 removes the package by its name, wherever it was registered from; true when it is gone
// (or was never there) and elsewhere.
bool RemoveMenuPackage(HWND owner);

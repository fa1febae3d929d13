// A program the installer starts and waits for, without a window. Paths and other data reach it as
// environment variables, never inside its command line, so no character of a name can change what runs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct EnvironmentVariable {
    std::wstring name;
    std::wstring value;
};

// Starts program (a full path) with the given arguments in this process's environment plus additions
// (which replace variables of the same name), and waits until it ends. Meanwhile owner, if given, is
// disabled but still painted. The program's exit code, or nothing when it could not be started.
std::optional<DWORD> RunHiddenAndWait(const std::wstring& program, const std::wstring& arguments,
                                      const std::vector<EnvironmentVariable>& additions, HWND owner);

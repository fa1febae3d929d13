// The full path of a loaded module, of any length.
#pragma once

#include <windows.h>

#include <string>

// Empty when the system cannot tell it.
std::wstring ModuleFullPath(HMODULE module);

// The path up to and including its last backslash; empty when it holds none.
std::wstring FolderWithSeparator(const std::wstring& path);

// The full path of a loaded module, of any length, and the folder that holds it.
#pragma once

#include <windows.h>

#include <string>

// As the loader knows it; empty when the system cannot tell.
std::wstring ModuleFullPath(HMODULE module);

// The path up to and including its last backslash; empty when it holds none.
std::wstring FolderWithSeparator(const std::wstring& path);

// Programs of Windows named by their full path in the system folder: the installer runs elevated, often
// from a download folder, and a program looked for by its bare name could be one planted there.
#pragma once

#include <string>

// The system folder (System32) with relativePath appended; empty when the system cannot tell its folder.
std::wstring SystemFolderPath(const std::wstring& relativePath);

// The Explorer keys that Tolvane writes itself: the context-menu handler for files and folders and the
// ".ENC" file type that opens with Tolvane.exe. Qarnet.dll registers its COM class on its own.
#pragma once

#include <string>

// Writes every row; true only when each key was created and each value written in full.
// programPath is the full path of Tolvane.exe, which the file type's icon and open command name.
bool WriteShellKeys(const std::wstring& programPath);

// Removes every key that WriteShellKeys creates, with everything below the file-type keys. Keys that are
// already gone count as removed; false when any could not be removed.
bool DeleteShellKeys();

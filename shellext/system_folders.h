// The folders Windows and its programs need, which a menu command never encrypts: the Windows folder,
// Program Files (both on 64-bit Windows), ProgramData and the user's AppData, with whatever lies inside
// or holds them, and the system drive's root and the user's profile folder themselves (a folder inside
// the profile, such as Documents, is the user's own).
#pragma once

#include <optional>
#include <string>
#include <vector>

// The first such folder that an item of the selection is, holds or lies inside, by file identity rather
// than by spelling; nothing when the selection touches none.
std::optional<std::wstring> SystemFolderTouchedBy(const std::vector<std::wstring>& selection);

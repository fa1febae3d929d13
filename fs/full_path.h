// Full paths from paths as they were typed, and the form of a full path that Windows takes at any length.
#pragma once

#include <optional>

#include "path_text.h"

// The full form of a path as typed. An absolute path stays as it is; a relative one is joined to the
// current folder. Links are never resolved (that would change what was named) and trailing dots and
// spaces are kept. On Windows "/" becomes "\" and "." and ".." components are resolved by their text, as
// Windows resolves them; a drive-relative path ("D:notes") takes that drive's current folder. nullopt when
// the current folder cannot be read or the path is empty.
std::optional<PathString> MakeFullPath(PathView typed);

#ifdef _WIN32
// The "\\?\" form of a path (made full first), which turns off the 260-unit limit and all further parsing,
// so that a name Windows would otherwise change (a trailing dot or space) still reaches the same file.
// Paths already in the "\\?\" or "\\.\" form are given back as they are.
PathString LongFormPath(const PathString& path);
#endif

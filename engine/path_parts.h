// The parts of a path that the procedures and the walker read by text: its bare name, its extension, and
// whether it names a container.
#pragma once

#include "path_text.h"

// Text after the last separator of path into out; 1 on success. 0 when either pointer is null, the path
// has fewer than two units, or no separator stands after its first unit. A path ending in a separator
// gives an empty name and 1. Separators are '\\' and '/' on Windows, '/' on POSIX (where "/name", a file
// in the root folder, has a folder part).
int GetBareFileName(PathString* out, const PathChar* path);

// The extension of the last path component, ASCII letters upper-cased, into out; 1 when there is one.
// 0 (out empty) when a pointer is null, the path is empty, a separator comes before any dot, or there is
// no dot after the first unit.
int GetUpperExtension(const PathChar* path, PathString* out);

// True when the last component's extension is "ENC" in any letter case.
bool IsContainerName(PathView path);

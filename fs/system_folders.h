// The folders the system and its programs need, which are never encrypted, and how a selected path
// touches them: by file identity, never by spelling.
#pragma once

#include <optional>
#include <vector>

#include "file_id.h"
#include "path_text.h"

struct SystemFolder {
    PathString path;
    bool insideRefused; // what lies inside it is refused too (a profile or a drive's root: only itself
                        // and what holds it)
    bool home = false;  // a user's home or profile folder, rather than one of the system's
};

// On POSIX: the root folder, the top-level system folders below root (bin, boot, dev, etc, lib*, opt,
// proc, sbin, sys, usr, var; the whole of each), and each home folder given (only itself and what holds
// it). root is "/" but for tests. On Windows the menus and the command line take theirs from the shell's
// known folders.
std::vector<SystemFolder> PosixSystemFolders(const PathString& root, const std::vector<PathString>& homes);

#ifdef _WIN32
// The Windows folder, Program Files (both on 64-bit Windows), ProgramData and the user's AppData (the
// whole of each), and the system drive's root and the user's profile folder (only themselves and what
// holds them), from the shell's known folders.
std::vector<SystemFolder> WindowsSystemFolders();
#endif

// The folder that path is, else the one it lies inside, else the outermost one it holds (folders are
// given outermost first); nothing when it touches none, or cannot be read.
std::optional<SystemFolder> SystemFolderTouchedBy(const PathString& path, const std::vector<SystemFolder>& folders);

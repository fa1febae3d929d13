// The paths of a command line as the batch takes them: made full, checked, and each file or folder once.
#pragma once

#include <vector>

#include "folder.h"
#include "path_text.h"

struct NamedPath {
    PathString typed; // as the user typed it, for messages
    PathString full;  // joined to the current folder, never resolved
    EntryKind kind = EntryKind::File;
};

struct Selection {
    std::vector<NamedPath> items;          // files and folders to convert, in the order typed
    std::vector<NamedPath> missing;        // paths that name nothing (or cannot be read)
    std::vector<NamedPath> notConvertible; // links (never followed) and devices, pipes, sockets
};

// Sorts the typed paths. A path naming the same file or folder as an earlier one (by the file system's
// identity, whatever the spelling), or lying inside a selected folder, is dropped: the walk of that
// folder converts it once.
Selection PlanSelection(const std::vector<PathString>& typed);

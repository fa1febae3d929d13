// The paths of a command line as the batch takes them: made full, checked, and each file or folder once.
#pragma once

#include <vector>

#include "folder.h"
#include "path_text.h"
#include "system_folders.h"

struct NamedPath {
    PathString typed; // as the user typed it, for messages
    PathString full;  // joined to the current folder, never resolved
    EntryKind kind = EntryKind::File;
    int systemError = 0; // for a missing path: why it could not be read (system_error.h)
};

struct Selection {
    std::vector<NamedPath> items;          // files and folders to convert, in the order typed
    std::vector<NamedPath> missing;        // paths that name nothing (or cannot be read)
    std::vector<NamedPath> notConvertible; // links (never followed) and devices, pipes, sockets
    std::vector<NamedPath> roots;          // the root folder of a file system, never converted whole
    // Encrypting only: paths that are, hold or lie inside a folder the system needs, with that folder.
    std::vector<std::pair<NamedPath, SystemFolder>> systemFolders;
};

// Sorts the typed paths. A path naming the same file or folder as an earlier one (by the file system's
// identity, whatever the spelling), or lying inside a selected folder, is dropped: the walk of that
// folder converts it once. A path that ends in a separator names what it names without one: a link to a
// folder stays a link. The root of a file system is set aside, so that it neither converts everything
// nor swallows the other paths as lying inside it.
Selection PlanSelection(const std::vector<PathString>& typed);

// Moves the items that touch one of folders (fs/system_folders.h) to systemFolders: an encryption never
// takes them, and goes on with the others.
void SetAsideSystemFolders(Selection* selection, const std::vector<SystemFolder>& folders);

// The folders the system and its programs need, as this platform knows them: on POSIX with the home
// folders of $HOME and of the user's entry in the password database.
std::vector<SystemFolder> ThisSystemsFolders();

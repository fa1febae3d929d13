// The file-system calls of the batch walker: what a selected path names, and the entries of one folder.
// Links are reported as links so that no walk follows them and no conversion replaces them.
#pragma once

#include <memory>
#include <optional>

#include "path_text.h"

enum class EntryKind {
    File,    // a regular file: handed to the engine by its extension
    Folder,  // walked
    Link,    // symbolic link, junction or mount point: neither walked nor converted
    Special, // device, pipe or socket: never opened (reading a pipe could block the batch for good)
};

// What the path names, without following a final link; nullopt when its attributes cannot be read.
std::optional<EntryKind> ReadItemKind(const PathString& path);

// One open listing of a folder, in the order the file system gives. The listing stays open while the
// walker works on the entries it has returned, so the walk needs no list of its own.
class FolderListing {
public:
    explicit FolderListing(const PathString& folderPath);
    ~FolderListing();
    FolderListing(FolderListing&&) noexcept;
    FolderListing& operator=(FolderListing&&) noexcept;

    bool IsOpen() const;

    // The next entry other than "." and ".."; false at the end of the listing (or when it failed). The name
    // stays valid until the next call.
    bool Next(PathView* name, EntryKind* kind);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

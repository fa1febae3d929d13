// Folders opened once, and every entry of the batch reached relative to its open folder: listed, opened,
// created, renamed and deleted there. A folder or file swapped for a link while a batch runs is never
// followed out of the selection, and a name that no longer holds the entry that was listed is left alone.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "file_id.h"
#include "path_text.h"
#include "unique_handle.h"

enum class EntryKind {
    File,    // a regular file: handed to the engine by its extension
    Folder,  // walked
    Link,    // symbolic link, junction or mount point (a name surrogate): neither walked nor converted
    Special, // device, pipe or socket: never opened for reading (a pipe could block the batch for good)
};

// What a full path names, a final link itself rather than its target; nullopt when it cannot be read.
std::optional<EntryKind> ReadItemKind(const PathString& path);

#ifdef _WIN32
// The kind of a Windows entry from its attributes and reparse tag: only a name surrogate is a link.
EntryKind KindFromAttributes(uint32_t attributes, uint32_t reparseTag);
#endif

class HeldFolder {
public:
    // The folder a full path names. The folders on the way are taken as the system resolves them (they
    // are what was selected); a final link is not followed. nullopt (the system error set) when the path
    // does not name a folder.
    static std::optional<HeldFolder> Open(const PathString& path);
    // The folder that holds what a full path names, and that entry's bare name in it.
    static std::optional<HeldFolder> OpenParent(const PathString& path, PathString* name);

    // An entry of this folder that is a folder itself, never through a link: nullopt when it is a link,
    // not a folder, or gone.
    std::optional<HeldFolder> OpenSubfolder(PathView name) const;

    // True when this folder is on another mount than parent, the folder that holds it: another file
    // system, or a bind mount even of the same one (POSIX). On Windows a mounted volume is a mount-point
    // reparse point, which is a link and never opened as a subfolder: false.
    bool IsMountedBelow(const HeldFolder& parent) const;

    // What an entry is now, without following a link; nullopt when it is gone.
    std::optional<EntryKind> KindOf(PathView name) const;

    // This folder's identity (device and inode; volume and file index); nullopt when it cannot be read.
    std::optional<FileId> Id() const;
    // The folder that holds this one, opened again from it (POSIX: through ".."; Windows: by its path).
    // It may not be the folder this one was reached from (this one was moved, or a folder on the way was
    // swapped): the caller compares Id() with the one it expects. nullopt (the system error set) when it
    // cannot be opened; on Windows also when its path is longer than the system can open
    // (FolderPathFitsTheSystem).
    std::optional<HeldFolder> OpenContaining() const;

    // The full path the folder was reached by, ending in a separator: for messages and for the names of
    // outputs. Never used to reach the folder again.
    const PathString& path() const { return m_path; }
    PathString ChildPath(PathView name) const { return m_path + PathString(name); }

    FileHandle::Handle handle() const { return m_handle.get(); }

    // Makes the folder's entries (a new name, a removed one) durable.
    bool Sync() const;

private:
    HeldFolder(FileHandle handle, PathString path) : m_handle(std::move(handle)), m_path(std::move(path)) {}
    FileHandle m_handle;
    PathString m_path;
};

// False when a folder's full path (ending in a separator) is longer than the system can open by path:
// Windows' long path form holds at most 32,767 units. Always true on POSIX, where folders are reopened
// through "..".
bool FolderPathFitsTheSystem(const PathString& path);

// One open listing of a folder, in the order the file system gives. The kind comes from the listing and is
// a hint: every operation on an entry checks what it really finds.
class FolderListing {
public:
    explicit FolderListing(const HeldFolder& folder);
    ~FolderListing();
    FolderListing(FolderListing&&) noexcept;
    FolderListing& operator=(FolderListing&&) noexcept;

    bool IsOpen() const { return m_state != nullptr; }

    // The next entry other than "." and ".."; false at the end of the listing, or when it failed (Error()
    // tells which). The name stays valid until the next call.
    bool Next(PathView* name, EntryKind* kind);

    // After Next gave false: 0 at the true end of the listing, else the system error that broke it off
    // (system_error.h). The entries it did not reach were not returned.
    int Error() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

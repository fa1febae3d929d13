// Reading a source, writing its output beside it and deleting the source, every call relative to the open
// folder that holds them. Every operation passes through the fault checks (fault_injection.h), which the
// test builds can make fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "file_identity.h"
#include "folder.h"
#include "path_text.h"
#include "unique_handle.h"

// Why a source could not be taken.
enum class OpenRefusal {
    Unreadable, // cannot be opened (the system error set), or another conversion is working on it
    NotRegular, // the name holds no regular file: a link (never followed), a folder or a device
    InUse,      // another program has it open for writing, or mapped shared-writable (POSIX)
};

// A plain file or container opened for reading, relative to its folder and never through a link. Others
// may read it meanwhile, but no other conversion takes it (POSIX: an exclusive lock; Windows: no sharing
// but for reading, so nobody can change, rename or delete it either). Regular files only.
//
// On POSIX the file is also held with a read lease where the kernel grants one (the file's owner, or
// CAP_LEASE, on a local file system): nobody may have it open for writing when it is taken, and whoever
// opens it for writing or truncates it meanwhile breaks the lease, which OpenedForWriting() then tells.
// Without a lease the identity checks before the deletion are what remains.
class SourceFile {
public:
    // nullopt, the reason in *why (and the system error set), when the entry cannot be taken.
    static std::optional<SourceFile> Open(const HeldFolder& folder, PathView name, OpenRefusal* why);

    uint64_t size() const { return m_identity.size; }
    const FileIdentity& identity() const { return m_identity; }

    // Up to count bytes; 0 at the end of the file; nullopt when the read fails. May return fewer bytes
    // than asked before the end.
    std::optional<size_t> Read(uint8_t* buffer, size_t count);

    // True once another program has opened the file for writing (or truncated it) since it was taken: the
    // lease is given up at once, so that program waits no longer, and the file must not be deleted. Always
    // false where the file is held without a lease (and on Windows, where nobody can open it for writing).
    bool OpenedForWriting();

    // False when the file has no name left anywhere (deleted meanwhile, or moved to another file system).
    bool StillLinked() const;

    FileHandle::Handle handle() const { return m_file.get(); }
    // The name it was opened under, in its folder.
    const PathString& name() const { return m_name; }

private:
    SourceFile(FileHandle file, PathString name, const FileIdentity& identity, bool leased)
        : m_file(std::move(file)), m_name(std::move(name)), m_identity(identity), m_leased(leased) {}
    FileHandle m_file;
    PathString m_name;
    FileIdentity m_identity;
    bool m_leased = false;
    bool m_leaseBroken = false;
};

enum class MoveResult { Moved, NameTaken, Failed };

// What the fault seam leaves of a read or a write of count bytes: nullopt when it is to fail.
std::optional<size_t> SeamReadLimit(size_t count);
std::optional<size_t> SeamWriteLimit(size_t size);

// What an output is made as. Both carry what their source carries besides its bytes (metadata), but a
// container keeps back what would tell what its encrypted header hides.
enum class OutputKind { Container, Restored };

// The output while it is written: a new file in the destination folder that no crash leaves behind where
// the platform allows it (Linux: without a name until it is complete; Windows: marked for deletion until it
// is moved into place), else under an engine temporary name. Unless moved to its final name, it is removed
// on destruction.
class TempOutput {
public:
    // from is the file the output is made from; it must outlive the output. On Windows the output gets
    // from's own access rules, if it has any, at once; the rest of its metadata comes with PassOnMetadata.
    static std::optional<TempOutput> Create(const HeldFolder& folder, const SourceFile& from, OutputKind kind);
    ~TempOutput();
    TempOutput(TempOutput&& other) noexcept;
    TempOutput& operator=(TempOutput&&) = delete;
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // Bytes written; fewer than size means the write failed (a full disk, say).
    size_t Write(const uint8_t* data, size_t size);
    // Once every byte is written, before Flush, so that it reaches the disk with the data: the metadata of
    // the file the output is made from (POSIX: owner, group, permission bits). False (the system error
    // set) when something that must travel could not be given to the output.
    bool PassOnMetadata();
    // Data to stable storage.
    bool Flush();
    // To the given name in the folder, never replacing anything there: NameTaken when the name exists.
    MoveResult MoveTo(PathView name);
    // After the move: makes the new name itself durable.
    bool SyncFolder();

    FileHandle::Handle handle() const { return m_file.get(); }

private:
    TempOutput(const HeldFolder& folder, FileHandle file, PathString name, const SourceFile& from, OutputKind kind)
        : m_folder(&folder), m_file(std::move(file)), m_name(std::move(name)), m_from(&from), m_kind(kind) {}
    const HeldFolder* m_folder;
    FileHandle m_file;
    PathString m_name; // empty while the output has no name
    const SourceFile* m_from;
    OutputKind m_kind;
    bool m_moved = false;
};

// Deletes the source once its output is complete, when the name still holds the file that was read,
// unchanged, and no other name keeps it. Kept (the system error set where a call failed) otherwise.
//
// On POSIX the check and the deletion are one step: the source is first moved to a private name of the
// engine's set-aside form (temp_files.h), which nobody else uses, and only when that name holds the very
// file that was read is it unlinked. Anything else found there (a save that replaced the name just before
// the move) goes back to the name; when the name was taken again meanwhile, it stays under the set-aside
// name (*setAsideName) for the caller to give a visible name. A crash between the move and the unlink
// leaves the plain file whole under the set-aside name, which no batch converts or deletes.
enum class SourceRemoval {
    Removed,
    Kept,       // the deletion failed, or the name now holds another or a changed file
    SetAside,   // a file found under the name could not go back to it: it is under *setAsideName
    MovedAway,  // the name no longer holds the file: moved away or deleted meanwhile (StillLinked tells)
    OtherLinks, // the file has other names (hard links), under which it would stay readable: not deleted
    InUse,      // another program opened it for writing meanwhile: kept
};
SourceRemoval DeleteIfSameFile(const HeldFolder& folder, PathView name, SourceFile& source, PathString* setAsideName);

// The platform's part of DeleteIfSameFile, once the portable checks have passed.
SourceRemoval RemoveIfStillTheSource(const HeldFolder& folder, PathView name, SourceFile& source,
                                     PathString* setAsideName);

// Moves an entry of the folder to another name in it, never replacing anything there.
MoveResult MoveEntry(const HeldFolder& folder, PathView from, PathView to);

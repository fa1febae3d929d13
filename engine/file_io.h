// The thin file layer under the container: the only engine code that differs between Windows and POSIX.
// Every operation passes through the fault checks (fault_injection.h) so tests can fail any one of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "path_text.h"

#ifdef _WIN32
using NativeFile = void*; // HANDLE
#else
using NativeFile = int;
#endif

// Owns one open file; closes it on destruction. Move-only.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(NativeFile file) : m_file(file) {}
    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept : m_file(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            reset();
            m_file = other.release();
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const;
    NativeFile get() const { return m_file; }
    NativeFile release();
    void reset();

private:
    NativeFile m_file = Invalid();
    static NativeFile Invalid();
};

// What identifies the file that was read, so that only that file is deleted afterwards: not one that was
// put under its name meanwhile, nor one that was changed while it was being read.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t fileIndex = 0;
    uint64_t size = 0;
    int64_t modified = 0;
    uint32_t permissions = 0; // POSIX mode bits, passed on to the output; 0 on Windows
};

// A plain file or container opened for reading, shared for reading only. Regular files only.
class SourceFile {
public:
    static std::optional<SourceFile> Open(const PathString& path);

    uint64_t size() const { return m_identity.size; }
    const FileIdentity& identity() const { return m_identity; }

    // Up to count bytes; 0 at the end of the file; nullopt when the read fails. May return fewer bytes
    // than asked before the end.
    std::optional<size_t> Read(uint8_t* buffer, size_t count);

    void Close() { m_file.reset(); }

private:
    SourceFile(FileHandle file, const FileIdentity& identity) : m_file(std::move(file)), m_identity(identity) {}
    FileHandle m_file;
    FileIdentity m_identity;
};

enum class MoveResult { Moved, NameTaken, Failed };

// The output while it is written: a new file with an engine temporary name in the destination folder,
// created exclusively and held so that no other batch takes it for a stale leftover. Unless it was moved
// to its final name, it is removed on destruction.
class TempOutput {
public:
    // permissionsFrom gives the POSIX mode bits of the output (those of the file it is made from).
    static std::optional<TempOutput> Create(const PathString& folder, const FileIdentity& permissionsFrom);
    ~TempOutput();
    TempOutput(TempOutput&& other) noexcept;
    TempOutput& operator=(TempOutput&&) = delete;
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // Bytes written; fewer than size means the write failed (a full disk, say).
    size_t Write(const uint8_t* data, size_t size);
    // Data to stable storage.
    bool Flush();
    // To finalPath, never replacing anything there: NameTaken when the name exists.
    MoveResult MoveTo(const PathString& finalPath);
    // After the move: makes the new name itself durable.
    bool SyncFolder();

    const PathString& path() const { return m_path; }

private:
    TempOutput(FileHandle file, PathString folder, PathString path, uint32_t permissions)
        : m_file(std::move(file)), m_folder(std::move(folder)), m_path(std::move(path)), m_permissions(permissions) {}
    FileHandle m_file;
    PathString m_folder;
    PathString m_path;
    uint32_t m_permissions = 0;
    bool m_moved = false;
};

// Deletes path when it is still the file that identity describes, unchanged. False when it is not, or when
// the deletion fails (read-only, say).
bool DeleteIfSameFile(const PathString& path, const FileIdentity& identity);

// Deletes path unless some process holds it open as a writing engine does. Used only on engine temporary
// names.
enum class UnheldRemoval { Removed, InUse, Failed };
UnheldRemoval RemoveFileIfUnheld(const PathString& path);

// The file layer on POSIX: open/read/write/fsync, an flock held on the temporary output, and a move into
// place that never replaces (renameat2 RENAME_NOREPLACE, or link and unlink where that is missing).
#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault_injection.h"
#include "temp_files.h"

namespace {

// Temporary names are random; a collision means another try, and this many failures means something else.
constexpr int kCreateAttempts = 16;

int64_t ModifiedNanoseconds(const struct stat& info) {
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& info) {
    FileIdentity identity;
    identity.volume = static_cast<uint64_t>(info.st_dev);
    identity.fileIndex = static_cast<uint64_t>(info.st_ino);
    identity.size = static_cast<uint64_t>(info.st_size);
    identity.modified = ModifiedNanoseconds(info);
    identity.permissions = static_cast<uint32_t>(info.st_mode & 0777);
    return identity;
}

bool SameFile(const FileIdentity& left, const FileIdentity& right) {
    return left.volume == right.volume && left.fileIndex == right.fileIndex && left.size == right.size &&
           left.modified == right.modified;
}

// Where the temporary output may not move by renaming without replacing, a hard link does the same job.
bool RenameUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

MoveResult LinkIntoPlace(const PathString& from, const PathString& to) {
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno == EEXIST ? MoveResult::NameTaken : MoveResult::Failed;
    }
    // Left behind, the second name is only a stale temporary that a later batch removes.
    ::unlink(from.c_str());
    return MoveResult::Moved;
}

} // namespace

bool FileHandle::valid() const {
    return m_file >= 0;
}

NativeFile FileHandle::Invalid() {
    return -1;
}

NativeFile FileHandle::release() {
    const NativeFile file = m_file;
    m_file = Invalid();
    return file;
}

void FileHandle::reset() {
    if (valid()) {
        ::close(m_file);
    }
    m_file = Invalid();
}

std::optional<SourceFile> SourceFile::Open(const PathString& path) {
    if (CheckFault(FileOp::OpenSource) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    // Non-blocking so that a FIFO under the name cannot stall the open; only regular files are taken.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags == -1 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) == -1) {
        return std::nullopt;
    }
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return SourceFile(std::move(file), IdentityOf(info));
}

std::optional<size_t> SourceFile::Read(uint8_t* buffer, size_t count) {
    switch (CheckFault(FileOp::Read)) {
    case FaultDecision::Fail:
        return std::nullopt;
    case FaultDecision::Short:
        count = count > 1 ? count / 2 : count;
        break;
    case FaultDecision::Proceed:
        break;
    }
    for (;;) {
        const ssize_t got = ::read(m_file.get(), buffer, count);
        if (got >= 0) {
            return static_cast<size_t>(got);
        }
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

std::optional<TempOutput> TempOutput::Create(const PathString& folder, const FileIdentity& permissionsFrom) {
    if (CheckFault(FileOp::CreateTemp) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        PathString path = folder + MakeEngineTempName();
        FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!file.valid()) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        // Held for as long as the output is written, so that RemoveStaleTempFile leaves it alone. A file
        // system without locks gives no lock here and makes the remover leave every temporary alone.
        ::flock(file.get(), LOCK_EX | LOCK_NB);
        return TempOutput(std::move(file), folder, std::move(path), permissionsFrom.permissions);
    }
    return std::nullopt;
}

TempOutput::TempOutput(TempOutput&& other) noexcept
    : m_file(std::move(other.m_file)), m_folder(std::move(other.m_folder)), m_path(std::move(other.m_path)),
      m_permissions(other.m_permissions), m_moved(other.m_moved) {
    other.m_moved = true;
}

TempOutput::~TempOutput() {
    if (!m_moved && m_file.valid() && CheckFault(FileOp::RemoveTemp) == FaultDecision::Proceed) {
        ::unlink(m_path.c_str());
    }
}

size_t TempOutput::Write(const uint8_t* data, size_t size) {
    size_t limit = size;
    switch (CheckFault(FileOp::Write)) {
    case FaultDecision::Fail:
        errno = ENOSPC;
        return 0;
    case FaultDecision::Short:
        limit = size / 2;
        break;
    case FaultDecision::Proceed:
        break;
    }
    size_t written = 0;
    while (written < limit) {
        const ssize_t count = ::write(m_file.get(), data + written, limit - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (count == 0) {
            break;
        }
        written += static_cast<size_t>(count);
    }
    return written;
}

bool TempOutput::Flush() {
    if (CheckFault(FileOp::Flush) != FaultDecision::Proceed) {
        return false;
    }
    return ::fsync(m_file.get()) == 0;
}

MoveResult TempOutput::MoveTo(const PathString& finalPath) {
    if (CheckFault(FileOp::Rename) != FaultDecision::Proceed) {
        return MoveResult::Failed;
    }
    // The output takes the permission bits of the file it was made from; set now, after the writes.
    ::fchmod(m_file.get(), static_cast<mode_t>(m_permissions));
    MoveResult result = MoveResult::Failed;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, finalPath.c_str(), RENAME_NOREPLACE) == 0) {
        result = MoveResult::Moved;
    } else if (errno == EEXIST) {
        return MoveResult::NameTaken;
    } else if (RenameUnsupported(errno)) {
        result = LinkIntoPlace(m_path, finalPath);
    }
#else
    result = LinkIntoPlace(m_path, finalPath);
#endif
    if (result == MoveResult::Moved) {
        m_moved = true;
        m_path = finalPath;
    }
    return result;
}

bool TempOutput::SyncFolder() {
    if (CheckFault(FileOp::SyncFolder) != FaultDecision::Proceed) {
        return false;
    }
    const PathString folder = m_folder.empty() ? PathString(".") : m_folder;
    FileHandle directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.valid()) {
        return false;
    }
    // Some file systems cannot sync a directory at all; their renames are as durable as they get.
    return ::fsync(directory.get()) == 0 || errno == EINVAL || errno == ENOTSUP;
}

bool DeleteIfSameFile(const PathString& path, const FileIdentity& identity) {
    if (CheckFault(FileOp::DeleteSource) != FaultDecision::Proceed) {
        return false;
    }
    // lstat: a symbolic link is not the file that was read, and is left alone with its target.
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !SameFile(IdentityOf(info), identity)) {
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

UnheldRemoval RemoveFileIfUnheld(const PathString& path) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) {
        return UnheldRemoval::Failed;
    }
    struct stat held {};
    if (::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode)) {
        return UnheldRemoval::Failed;
    }
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? UnheldRemoval::InUse : UnheldRemoval::Failed;
    }
    // The name must still be the file that is locked now.
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || named.st_dev != held.st_dev || named.st_ino != held.st_ino) {
        return UnheldRemoval::Failed;
    }
    return ::unlink(path.c_str()) == 0 ? UnheldRemoval::Removed : UnheldRemoval::Failed;
}

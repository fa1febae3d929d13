// The file layer on POSIX, relative to the open folder: the source opened with O_NOFOLLOW, locked against
// a second conversion and held with a read lease against writers; the output made without a name
// (O_TMPFILE) where the kernel can, and given its name by linkat, which never replaces; otherwise a named
// temporary moved by renameat2 (RENAME_NOREPLACE). The source is moved to a set-aside name and unlinked
// there only once that name shows the very file that was read, unchanged.
#include "file_io.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "access_list_posix.h"
#include "fault_injection.h"
#include "temp_files.h"

namespace {

// Temporary names are random; a collision means another try, and this many failures means something else.
constexpr int kCreateAttempts = 16;

int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& info) {
    FileIdentity identity;
    identity.volume = static_cast<uint64_t>(info.st_dev);
    identity.fileIndex = static_cast<uint64_t>(info.st_ino);
    identity.size = static_cast<uint64_t>(info.st_size);
    identity.modified = Nanoseconds(info.st_mtim);
    identity.changed = Nanoseconds(info.st_ctim);
    identity.links = static_cast<uint32_t>(info.st_nlink);
    identity.permissions = static_cast<uint32_t>(info.st_mode & 0777);
    identity.owner = static_cast<uint32_t>(info.st_uid);
    identity.group = static_cast<uint32_t>(info.st_gid);
    return identity;
}

// The change time moves with every write and every change of the metadata, even when a program puts the
// modification time back.
bool SameFile(const FileIdentity& left, const FileIdentity& right) {
    return left.volume == right.volume && left.fileIndex == right.fileIndex && left.size == right.size &&
           left.modified == right.modified && left.changed == right.changed;
}

// Where the kernel cannot rename without replacing, a hard link does the same job.
bool RenameUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

MoveResult MoveResultOf(int status) {
    if (status == 0) {
        return MoveResult::Moved;
    }
    return errno == EEXIST ? MoveResult::NameTaken : MoveResult::Failed;
}

// Renames without replacing; where the kernel cannot, a hard link does the same job, and the old name goes
// after it (left behind, it is only a second name of the file, of the engine's form when it was one).
MoveResult MoveWithinFolder(int folder, const PathString& from, const PathString& to) {
#ifdef RENAME_NOREPLACE
    const MoveResult result = MoveResultOf(::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE));
    if (result != MoveResult::Failed || !RenameUnsupported(errno)) {
        return result;
    }
#endif
    const MoveResult linked = MoveResultOf(::linkat(folder, from.c_str(), folder, to.c_str(), 0));
    if (linked == MoveResult::Moved) {
        ::unlinkat(folder, from.c_str(), 0);
    }
    return linked;
}

// A broken lease is noticed by asking for it after each chunk; the signal that announces the break only
// has to do no harm (its default action ends the process). A program that handles the signal itself keeps
// its own handler.
void IgnoreLeaseBreakSignal(int) {}

bool LeaseSignalHandled() {
    static const bool handled = [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) != 0) {
            return false;
        }
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) {
            return true;
        }
        struct sigaction harmless {};
        harmless.sa_handler = IgnoreLeaseBreakSignal;
        harmless.sa_flags = SA_RESTART;
        sigemptyset(&harmless.sa_mask);
        return ::sigaction(SIGIO, &harmless, nullptr) == 0;
    }();
    return handled;
}

enum class Lease { Held, Refused, Unavailable };

// The kernel refuses a read lease (EAGAIN) while anyone has the file open for writing or mapped
// shared-writable. Not the owner without CAP_LEASE, or a file system without leases: no lease at all.
Lease TakeReadLease(int file) {
    if (!LeaseSignalHandled() || CheckFault(FileOp::TakeLease) != FaultDecision::Proceed) {
        return Lease::Unavailable;
    }
    if (::fcntl(file, F_SETLEASE, F_RDLCK) == 0) {
        return Lease::Held;
    }
    return errno == EAGAIN ? Lease::Refused : Lease::Unavailable;
}

// What a name in the folder holds, without following a link.
bool EntryAt(int folder, const PathString& name, struct stat* info) {
    return ::fstatat(folder, name.c_str(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SameInode(const struct stat& left, const struct stat& right) {
    return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

} // namespace

std::optional<SourceFile> SourceFile::Open(const HeldFolder& folder, PathView name, OpenRefusal* why) {
    *why = OpenRefusal::Unreadable;
    if (CheckFault(FileOp::OpenSource) != FaultDecision::Proceed) {
        return std::nullopt;
    }
    // Non-blocking so that a FIFO swapped in cannot stall the open; O_NOFOLLOW so that a link swapped in
    // is refused (ELOOP) rather than followed out of the folder.
    FileHandle file(
        ::openat(folder.handle(), PathString(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (!file) {
        if (errno == ELOOP) {
            *why = OpenRefusal::NotRegular;
        } else if (errno == EWOULDBLOCK) {
            *why = OpenRefusal::InUse; // another program holds a write lease on it
        }
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = OpenRefusal::NotRegular;
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return std::nullopt;
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags == -1 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) == -1) {
        return std::nullopt;
    }
    // One conversion of a file at a time: a second run finds it taken and leaves it to the first.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return std::nullopt;
    }
    const Lease lease = TakeReadLease(file.get());
    if (lease == Lease::Refused) {
        *why = OpenRefusal::InUse;
        errno = EBUSY;
        return std::nullopt;
    }
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return SourceFile(std::move(file), PathString(name), IdentityOf(info), lease == Lease::Held);
}

bool SourceFile::OpenedForWriting() {
    if (!m_leased || m_leaseBroken) {
        return m_leaseBroken;
    }
    // While a break is pending the kernel already gives the type the lease is to become.
    if (::fcntl(m_file.get(), F_GETLEASE) == F_RDLCK) {
        return false;
    }
    ::fcntl(m_file.get(), F_SETLEASE, F_UNLCK); // the writer waits no longer
    m_leaseBroken = true;
    return true;
}

bool SourceFile::StillLinked() const {
    struct stat info {};
    return ::fstat(m_file.get(), &info) != 0 || info.st_nlink > 0;
}

std::optional<size_t> SourceFile::Read(uint8_t* buffer, size_t count) {
    const auto allowed = SeamReadLimit(count);
    if (!allowed) {
        return std::nullopt;
    }
    count = *allowed;
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

std::optional<TempOutput> TempOutput::Create(const HeldFolder& folder, const SourceFile& source, OutputKind kind) {
    if (CheckFault(FileOp::CreateTemp) != FaultDecision::Proceed) {
        return std::nullopt;
    }
#ifdef O_TMPFILE
    // Without a name a crash leaves nothing behind: the kernel frees the file with its last descriptor. The
    // name is given later through /proc, which must be there.
    static const bool canLinkDescriptors = ::access("/proc/self/fd", X_OK) == 0;
    const bool wanted = canLinkDescriptors && !NamedTemporariesPreferred();
    FileHandle anonymous(!wanted ? -1 : ::openat(folder.handle(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (anonymous) {
        return TempOutput(folder, std::move(anonymous), PathString(), source, kind);
    }
    if (wanted && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
        return std::nullopt;
    }
#endif
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        PathString name = MakeEngineTempName();
        FileHandle file(
            ::openat(folder.handle(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!file) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        return TempOutput(folder, std::move(file), std::move(name), source, kind);
    }
    return std::nullopt;
}

TempOutput::~TempOutput() {
    if (m_moved || !m_file || m_name.empty()) {
        return; // moved, or without a name: closing the descriptor frees it
    }
    if (CheckFault(FileOp::RemoveTemp) == FaultDecision::Proceed) {
        ::unlinkat(m_folder->handle(), m_name.c_str(), 0);
    }
}

size_t TempOutput::Write(const uint8_t* data, size_t size) {
    const auto allowed = SeamWriteLimit(size);
    if (!allowed) {
        errno = ENOSPC; // as a full disk fails it
        return 0;
    }
    const size_t limit = *allowed;
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

// The output belongs to whoever owned the file it was made from, with the same permission bits and access
// list: root encrypting another user's file must not take it from them, and nobody may gain access through
// a conversion. fchown first, since it clears set-id bits that fchmod would set; the list after the mode,
// which would rewrite its mask. Then the dates, so that a folder sorted by date keeps its order through a
// round trip. A call that fails is a failure of the output, never ignored. User extended attributes (a
// download address, say) are not carried: on a container they would tell what the encrypted name hides.
bool TempOutput::PassOnMetadata() {
    if (CheckFault(FileOp::PassOnMetadata) != FaultDecision::Proceed) {
        errno = ENOTSUP; // as a file system that keeps no access lists fails it
        return false;
    }
    const FileIdentity& from = m_from->identity();
    struct stat now {};
    struct stat source {};
    if (::fstat(m_file.get(), &now) != 0 || ::fstat(m_from->handle(), &source) != 0) {
        return false;
    }
    if ((now.st_uid != from.owner || now.st_gid != from.group) &&
        ::fchown(m_file.get(), static_cast<uid_t>(from.owner), static_cast<gid_t>(from.group)) != 0) {
        return false;
    }
    if (::fchmod(m_file.get(), static_cast<mode_t>(from.permissions)) != 0 ||
        !PassOnAccessList(m_from->handle(), m_file.get())) {
        return false;
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    return ::futimens(m_file.get(), times) == 0;
}

MoveResult TempOutput::MoveTo(PathView name) {
    if (CheckFault(FileOp::Rename) != FaultDecision::Proceed) {
        return MoveResult::Failed;
    }
    const PathString target(name);
    const int folder = m_folder->handle();
    MoveResult result = MoveResult::Failed;
    if (m_name.empty()) {
        // linkat fails with EEXIST instead of replacing; AT_EMPTY_PATH would need a capability before
        // Linux 6.10, the descriptor's /proc link does not.
        const std::string self = "/proc/self/fd/" + std::to_string(m_file.get());
        result = MoveResultOf(::linkat(AT_FDCWD, self.c_str(), folder, target.c_str(), AT_SYMLINK_FOLLOW));
    } else {
        result = MoveWithinFolder(folder, m_name, target);
    }
    if (result == MoveResult::Moved) {
        m_moved = true;
        m_name = target;
    }
    return result;
}

bool TempOutput::SyncFolder() {
    if (CheckFault(FileOp::SyncFolder) != FaultDecision::Proceed) {
        return false;
    }
    return m_folder->Sync();
}

MoveResult MoveEntry(const HeldFolder& folder, PathView from, PathView to) {
    return MoveWithinFolder(folder.handle(), PathString(from), PathString(to));
}

namespace {

// Where the folder cannot rename without replacing, the check and the deletion stay two steps.
SourceRemoval RemoveByName(int folder, const PathString& entry, const struct stat& held) {
    struct stat info {};
    if (!EntryAt(folder, entry, &info)) {
        return errno == ENOENT ? SourceRemoval::MovedAway : SourceRemoval::Kept;
    }
    if (!S_ISREG(info.st_mode) || !SameInode(info, held) || info.st_nlink > 1) {
        errno = 0;
        return SourceRemoval::Kept;
    }
    if (CheckFault(FileOp::DeleteSource) != FaultDecision::Proceed || ::unlinkat(folder, entry.c_str(), 0) != 0) {
        return errno == ENOENT ? SourceRemoval::MovedAway : SourceRemoval::Kept;
    }
    return SourceRemoval::Removed;
}

// The name no longer holds the file that was read: it lives on elsewhere while it has a name left; with
// none, another file was put in its place (kept, as any file under the name) or it was deleted.
SourceRemoval NotUnderItsName(int file, bool nameHoldsAnother) {
    struct stat held {};
    if (::fstat(file, &held) == 0 && held.st_nlink > 0) {
        return SourceRemoval::MovedAway;
    }
    errno = 0;
    return nameHoldsAnother ? SourceRemoval::Kept : SourceRemoval::MovedAway;
}

} // namespace

SourceRemoval RemoveIfStillTheSource(const HeldFolder& folder, PathView name, SourceFile& source,
                                     PathString* setAsideName) {
    const int dir = folder.handle();
    const PathString entry(name);
    struct stat found {};
    if (!EntryAt(dir, entry, &found)) {
        return errno == ENOENT ? NotUnderItsName(source.handle(), false) : SourceRemoval::Kept;
    }
    struct stat held {};
    if (::fstat(source.handle(), &held) != 0) {
        return SourceRemoval::Kept;
    }
    if (!S_ISREG(found.st_mode) || !SameInode(found, held)) {
        return NotUnderItsName(source.handle(), true);
    }
    // The change time moves with every write through any descriptor, even with the modification time put
    // back; the move below changes it too, so it is compared here, through the descriptor, just before.
    if (!SameFile(IdentityOf(held), source.identity())) {
        errno = 0;
        return SourceRemoval::Kept;
    }
    if (held.st_nlink > 1) {
        return SourceRemoval::OtherLinks; // a link made while the file was read
    }

    if (CheckFault(FileOp::SetAside) != FaultDecision::Proceed) {
        return SourceRemoval::Kept;
    }
    PathString aside;
    MoveResult moved = MoveResult::NameTaken;
    for (int attempt = 0; attempt < kCreateAttempts && moved == MoveResult::NameTaken; ++attempt) {
        aside = MakeSetAsideName();
#ifdef RENAME_NOREPLACE
        moved = MoveResultOf(::renameat2(dir, entry.c_str(), dir, aside.c_str(), RENAME_NOREPLACE));
        if (moved == MoveResult::Failed && RenameUnsupported(errno)) {
            return RemoveByName(dir, entry, held);
        }
#else
        return RemoveByName(dir, entry, held);
#endif
    }
    if (moved != MoveResult::Moved) {
        return errno == ENOENT ? NotUnderItsName(source.handle(), false) : SourceRemoval::Kept;
    }

    // The set-aside name is the engine's own: whatever stands there now is what was under the name at the
    // moment of the move. The very file that was read, not written since, is the one to go.
    const bool deletionAllowed = CheckFault(FileOp::DeleteSource) == FaultDecision::Proceed;
    const bool theSource = EntryAt(dir, aside, &found) && S_ISREG(found.st_mode) && SameInode(found, held) &&
                           static_cast<uint64_t>(found.st_size) == source.identity().size &&
                           Nanoseconds(found.st_mtim) == source.identity().modified && found.st_nlink == 1;
    SourceRemoval kept = SourceRemoval::Kept;
    int error = 0;
    if (theSource && source.OpenedForWriting()) {
        kept = SourceRemoval::InUse;
        error = EBUSY;
    } else if (theSource) {
        if (deletionAllowed && ::unlinkat(dir, aside.c_str(), 0) == 0) {
            return SourceRemoval::Removed;
        }
        error = errno;
    }
    // Back under its name, never replacing what another program may have put there meanwhile.
    const MoveResult back = MoveWithinFolder(dir, aside, entry);
    if (back != MoveResult::Moved) {
        *setAsideName = aside;
        errno = error;
        return SourceRemoval::SetAside;
    }
    if (!theSource) {
        return NotUnderItsName(source.handle(), true);
    }
    errno = error;
    return kept;
}

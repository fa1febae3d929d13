// Folders on POSIX: each one opened once with O_NOFOLLOW, listed through its descriptor (fdopendir), and
// its entries examined and opened with the *at calls relative to it.
#include "folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault_injection.h"

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

EntryKind KindFromMode(mode_t mode) {
    if (S_ISLNK(mode)) {
        return EntryKind::Link;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::Folder;
    }
    if (S_ISREG(mode)) {
        return EntryKind::File;
    }
    return EntryKind::Special;
}

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

PathString WithSeparator(PathString path) {
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

struct ListingTraits {
    using Handle = DIR*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::closedir(h); }
};

} // namespace

std::optional<EntryKind> ReadItemKind(const PathString& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return KindFromMode(info.st_mode);
}

std::optional<HeldFolder> HeldFolder::Open(const PathString& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // A path that ends in a separator asks the system to follow a final link; the name itself must not be one.
    PathString name = path;
    while (name.size() > 1 && name.back() == '/') {
        name.pop_back();
    }
    FileHandle folder(::open(name.c_str(), kFolderFlags));
    if (!folder) {
        return std::nullopt;
    }
    return HeldFolder(std::move(folder), WithSeparator(path));
}

std::optional<HeldFolder> HeldFolder::OpenParent(const PathString& path, PathString* name) {
    const size_t separator = path.rfind('/');
    if (separator == PathString::npos || separator + 1 >= path.size()) {
        return std::nullopt;
    }
    const PathString parent = separator == 0 ? PathString("/") : path.substr(0, separator + 1);
    FileHandle folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        return std::nullopt;
    }
    *name = path.substr(separator + 1);
    return HeldFolder(std::move(folder), parent);
}

std::optional<HeldFolder> HeldFolder::OpenSubfolder(PathView name) const {
    const PathString child(name);
    FileHandle folder(::openat(m_handle.get(), child.c_str(), kFolderFlags));
    if (!folder) {
        return std::nullopt;
    }
    return HeldFolder(std::move(folder), m_path + child + '/');
}

std::optional<EntryKind> HeldFolder::KindOf(PathView name) const {
    struct stat info {};
    if (::fstatat(m_handle.get(), PathString(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return KindFromMode(info.st_mode);
}

std::optional<FileId> HeldFolder::Id() const {
    struct stat info {};
    if (::fstat(m_handle.get(), &info) != 0) {
        return std::nullopt;
    }
    return FileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::optional<HeldFolder> HeldFolder::OpenContaining() const {
    FileHandle folder(::openat(m_handle.get(), "..", kFolderFlags));
    if (!folder) {
        return std::nullopt;
    }
    return HeldFolder(std::move(folder), ContainingFolderPath(m_path));
}

bool FolderPathFitsTheSystem(const PathString&) {
    return true;
}

bool HeldFolder::Sync() const {
    // Some file systems cannot sync a directory at all; their renames are as durable as they get.
    return ::fsync(m_handle.get()) == 0 || errno == EINVAL || errno == ENOTSUP;
}

bool HeldFolder::IsMountedBelow(const HeldFolder& parent) const {
#if defined(STATX_MNT_ID)
    // The mount id tells a bind mount of the same file system too, which the device number does not.
    struct statx mountOfThis {};
    struct statx mountOfParent {};
    if (::statx(m_handle.get(), "", AT_EMPTY_PATH, STATX_MNT_ID, &mountOfThis) == 0 &&
        ::statx(parent.handle(), "", AT_EMPTY_PATH, STATX_MNT_ID, &mountOfParent) == 0 &&
        (mountOfThis.stx_mask & mountOfParent.stx_mask & STATX_MNT_ID) != 0) {
        return mountOfThis.stx_mnt_id != mountOfParent.stx_mnt_id;
    }
#endif
    struct stat self {};
    struct stat above {};
    if (::fstat(m_handle.get(), &self) != 0 || ::fstat(parent.handle(), &above) != 0) {
        return false; // nothing to tell by: opening the folder is what fails next, with its reason
    }
    return self.st_dev != above.st_dev;
}

struct FolderListing::State {
    UniqueHandle<ListingTraits> dir;
    int folder = -1;
    int error = 0;
};

FolderListing::FolderListing(const HeldFolder& folder) {
    // The listing reads through its own descriptor, so the folder's stays free for the *at calls.
    FileHandle copy(::fcntl(folder.handle(), F_DUPFD_CLOEXEC, 0));
    if (!copy) {
        return;
    }
    UniqueHandle<ListingTraits> dir(::fdopendir(copy.get()));
    if (!dir) {
        return;
    }
    copy.release(); // the listing owns it now
    ::rewinddir(dir.get());
    m_state = std::make_unique<State>();
    m_state->dir = std::move(dir);
    m_state->folder = folder.handle();
}

FolderListing::~FolderListing() = default;
FolderListing::FolderListing(FolderListing&&) noexcept = default;
FolderListing& FolderListing::operator=(FolderListing&&) noexcept = default;

int FolderListing::Error() const {
    return m_state ? m_state->error : EBADF;
}

bool FolderListing::Next(PathView* name, EntryKind* kind) {
    if (!m_state || m_state->error != 0) {
        return false;
    }
    for (;;) {
        // readdir gives null at the end and on a failure alike: only errno tells them apart.
        errno = 0;
        const dirent* entry = CheckFault(FileOp::ListFolder) == FaultDecision::Proceed ? ::readdir(m_state->dir.get())
                                                                                       : (errno = EIO, nullptr);
        if (entry == nullptr) {
            m_state->error = errno;
            return false;
        }
        if (IsDotEntry(entry->d_name)) {
            continue;
        }
        switch (entry->d_type) {
        case DT_REG:
            *kind = EntryKind::File;
            break;
        case DT_DIR:
            *kind = EntryKind::Folder;
            break;
        case DT_LNK:
            *kind = EntryKind::Link;
            break;
        case DT_UNKNOWN: {
            // Some file systems leave the type out of the entry.
            struct stat info {};
            if (::fstatat(m_state->folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue; // gone since the listing returned it
            }
            *kind = KindFromMode(info.st_mode);
            break;
        }
        default:
            *kind = EntryKind::Special;
            break;
        }
        *name = entry->d_name;
        NotifyListed(*name);
        return true;
    }
}

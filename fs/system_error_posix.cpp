// System error words on POSIX: the common file errors in plain words, strerror for the rest.
#include "system_error.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>

#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include "unique_handle.h"

namespace {

// Whether the file system marks what the path names (a link itself, never its target) as immutable or
// append-only, which turns a write or a delete away even for root.
bool MarkedUnchangeable(const PathString& path) {
#ifdef __linux__
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    int flags = 0;
    return file && ::ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#else
    (void)path;
    return false;
#endif
}

PathString HoldingFolder(const PathString& path) {
    PathString folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const size_t slash = folder.rfind('/');
    if (slash == PathString::npos) {
        return ".";
    }
    return slash == 0 ? PathString("/") : folder.substr(0, slash);
}

} // namespace

int LastSystemError() {
    return errno;
}

void ClearSystemError() {
    errno = 0;
}

int FolderMovedError() {
    return ESTALE;
}

int PathTooDeepError() {
    return ENAMETOOLONG;
}

bool IsNoSuchEntryError(int code) {
    return code == ENOENT;
}

std::string SystemErrorText(int code) {
    switch (code) {
    case 0:
        return {};
    case EACCES:
        return "permission denied";
    case EPERM:
        return "operation not permitted";
    case EMFILE:
    case ENFILE:
        return "too many open files";
    case ENOSPC:
        return "no space left on the disk";
    case EDQUOT:
        return "the disk quota is used up";
    case EROFS:
        return "the disk is read-only";
    case ENOENT:
        return "no such file or folder";
    case EIO:
        return "the disk reported an input/output error";
    case ENAMETOOLONG:
        return "the name is too long";
    case EFBIG:
        return "the file is too large for this disk";
    case ETXTBSY:
    case EBUSY:
        return "the file is in use";
    case EWOULDBLOCK:
        return "another conversion is working on the file";
    case ELOOP:
        return "it is a link, which is never followed";
    case ESTALE:
        return "the folder was moved or replaced while it was being walked";
    case ENOTSUP:
        return "the disk's file system cannot keep the file's access list";
    default:
        return std::strerror(code);
    }
}

std::string SystemErrorTextAt(int code, const PathString& path) {
    // Error codes are read before the checks below, which make system calls of their own.
    if (code == EPERM) {
        if (MarkedUnchangeable(path)) {
            return "the file is immutable or append-only";
        }
        if (MarkedUnchangeable(HoldingFolder(path))) {
            return "the folder is immutable or append-only";
        }
    }
    return SystemErrorText(code);
}

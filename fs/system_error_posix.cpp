// System error words on POSIX: the common file errors in plain words, strerror for the rest.
#include "system_error.h"

#include <cerrno>
#include <cstring>

int LastSystemError() {
    return errno;
}

void ClearSystemError() {
    errno = 0;
}

bool IsNoSuchEntryError(int code) {
    return code == ENOENT;
}

std::string SystemErrorText(int code) {
    switch (code) {
    case 0:
        return {};
    case EACCES:
    case EPERM:
        return "permission denied";
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
    default:
        return std::strerror(code);
    }
}

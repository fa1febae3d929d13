// Reading and writing the access-list attribute of open files.
#include "access_list_posix.h"

#include <sys/xattr.h>

#include <cerrno>
#include <optional>
#include <vector>

namespace {

constexpr char kAccessList[] = "system.posix_acl_access";

bool MeansNoList(int error) {
    // ENOTSUP: the file system keeps no lists, so the file has none.
    return error == ENODATA || error == ENOTSUP;
}

// The list's bytes; empty when the file has none; nullopt (errno set) when it cannot be read.
std::optional<std::vector<char>> ReadAccessList(int file) {
    for (;;) {
        const ssize_t size = ::fgetxattr(file, kAccessList, nullptr, 0);
        std::vector<char> list(size > 0 ? static_cast<size_t>(size) : 0);
        const ssize_t got = size < 0 ? size : ::fgetxattr(file, kAccessList, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<size_t>(got));
            return list;
        }
        if (errno != ERANGE) { // ERANGE: the list grew between the two calls
            return MeansNoList(errno) ? std::optional<std::vector<char>>(std::vector<char>()) : std::nullopt;
        }
    }
}

} // namespace

bool PassOnAccessList(int source, int output) {
    const auto list = ReadAccessList(source);
    if (!list) {
        return false;
    }
    if (list->empty()) {
        return ::fremovexattr(output, kAccessList) == 0 || MeansNoList(errno);
    }
    return ::fsetxattr(output, kAccessList, list->data(), list->size(), 0) == 0;
}

// Full paths on POSIX: the current folder and the path as typed, joined by one separator.
#include "full_path.h"

#include <cerrno>
#include <unistd.h>

#include <vector>

std::optional<PathString> MakeFullPath(PathView typed) {
    if (typed.empty()) {
        return std::nullopt;
    }
    if (typed.front() == '/') {
        return PathString(typed);
    }
    std::vector<char> folder(4096);
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::nullopt;
        }
        folder.resize(folder.size() * 2);
    }
    PathString full(folder.data());
    if (full.back() != '/') {
        full += '/';
    }
    full += typed;
    return full;
}

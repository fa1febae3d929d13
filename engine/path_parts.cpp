// The parts of a path, read from its text alone.
#include "path_parts.h"

#include <cstddef>
#include <optional>

namespace {

// The first unit never counts as a separator before the name on Windows: "\name" has no folder part there.
// On POSIX "/name" is a file in the root folder.
#ifdef _WIN32
constexpr size_t kFirstSeparatorIndex = 1;
#else
constexpr size_t kFirstSeparatorIndex = 0;
#endif

std::optional<size_t> LastSeparator(PathView path) {
    for (size_t index = path.size(); index > kFirstSeparatorIndex; --index) {
        if (IsPathSeparator(path[index - 1])) {
            return index - 1;
        }
    }
    return std::nullopt;
}

} // namespace

int GetBareFileName(PathString* out, const PathChar* path) {
    if (out == nullptr || path == nullptr) {
        return 0;
    }
    const PathView text(path);
    if (text.size() < 2) {
        return 0;
    }
    const auto separator = LastSeparator(text);
    if (!separator) {
        return 0;
    }
    *out = PathString(text.substr(*separator + 1));
    return 1;
}

int GetUpperExtension(const PathChar* path, PathString* out) {
    if (out == nullptr || path == nullptr) {
        return 0;
    }
    out->clear();
    const PathView text(path);
    if (text.empty()) {
        return 0;
    }
    for (size_t index = text.size() - 1; index >= 1; --index) {
        if (IsPathSeparator(text[index])) {
            return 0;
        }
        if (text[index] == '.') {
            for (PathChar unit : text.substr(index + 1)) {
                out->push_back((unit >= 'a' && unit <= 'z') ? static_cast<PathChar>(unit - 32) : unit);
            }
            return 1;
        }
    }
    return 0;
}

bool IsContainerName(PathView path) {
    const PathString text(path);
    PathString extension;
    return GetUpperExtension(text.c_str(), &extension) == 1 && extension == TOLVANE_PATH_LITERAL("ENC");
}

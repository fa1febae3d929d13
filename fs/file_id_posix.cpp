// File ids on POSIX: device and inode from lstat; folders climbed through "..".
#include "file_id.h"

#include <sys/stat.h>

namespace {

// Deeper than any real tree; a guard against a file system that never reaches its root.
constexpr int kMaxLevels = 4096;

std::optional<FileId> IdOf(const PathString& path, bool followLink) {
    struct stat info {};
    const int status = followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (status != 0) {
        return std::nullopt;
    }
    return FileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

bool IsDotName(PathView name) {
    return name == "." || name == "..";
}

} // namespace

std::optional<FileId> ReadFileId(const PathString& path) {
    return IdOf(path, false);
}

std::vector<FileId> ContainingFolderIds(const PathString& path) {
    PathString trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const size_t slash = trimmed.rfind('/');
    const PathView name = slash == PathString::npos ? PathView(trimmed) : PathView(trimmed).substr(slash + 1);
    // The spelling up to the last name reaches the folder that holds it, whatever links it passes; a
    // final "." or ".." names a folder whose holder is only found through its own "..".
    PathString folder;
    if (IsDotName(name) || slash == PathString::npos) {
        folder = trimmed + "/..";
    } else {
        folder = slash == 0 ? PathString("/") : trimmed.substr(0, slash);
    }
    std::vector<FileId> ids;
    for (int level = 0; level < kMaxLevels; ++level) {
        const auto id = IdOf(folder, true);
        if (!id || (!ids.empty() && ids.back() == *id)) {
            break; // the root is its own parent
        }
        ids.push_back(*id);
        folder += "/..";
    }
    return ids;
}

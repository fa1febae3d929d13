// Which file a path names, by the file system's own identity rather than by spelling: two spellings of
// one file, or a file reached through a folder given twice, compare equal.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "path_text.h"

struct FileId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash {
    size_t operator()(const FileId& id) const {
        return static_cast<size_t>(id.volume * 0x9E3779B97F4A7C15ull ^ id.index);
    }
};

// The identity of what the path names, a final link itself rather than its target; nullopt when it cannot
// be read.
std::optional<FileId> ReadFileId(const PathString& path);

// The identities of the folders that hold what the path names, innermost first, up to the root. Found
// through the folders themselves (each one's parent), so links and ".." in the spelling do not mislead.
std::vector<FileId> ContainingFolderIds(const PathString& path);

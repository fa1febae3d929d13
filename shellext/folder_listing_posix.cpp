// Folder listing on POSIX: opendir/readdir, with lstat where the directory entry does not carry the type.
// Symbolic links are reported as links, never followed.
#include "folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

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

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

} // namespace

std::optional<EntryKind> ReadItemKind(const PathString& path) {
    struct stat info {};
    if (path.empty() || lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return KindFromMode(info.st_mode);
}

struct FolderListing::State {
    std::unique_ptr<DIR, DirCloser> dir;
    PathString folderPath;
    PathString childPath; // reused for the lstat of entries of unknown type
};

FolderListing::FolderListing(const PathString& folderPath) {
    if (folderPath.empty()) {
        return;
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(folderPath.c_str()));
    if (!dir) {
        return;
    }
    m_state = std::make_unique<State>();
    m_state->dir = std::move(dir);
    m_state->folderPath = folderPath;
}

FolderListing::~FolderListing() = default;
FolderListing::FolderListing(FolderListing&&) noexcept = default;
FolderListing& FolderListing::operator=(FolderListing&&) noexcept = default;

bool FolderListing::IsOpen() const {
    return m_state != nullptr;
}

bool FolderListing::Next(PathView* name, EntryKind* kind) {
    if (!m_state) {
        return false;
    }
    while (const dirent* entry = readdir(m_state->dir.get())) {
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
            PathString& child = m_state->childPath;
            child = m_state->folderPath;
            if (child.back() != kPathSeparator) {
                child += kPathSeparator;
            }
            child += entry->d_name;
            const std::optional<EntryKind> found = ReadItemKind(child);
            if (!found) {
                continue; // gone since the listing returned it
            }
            *kind = *found;
            break;
        }
        default:
            *kind = EntryKind::Special;
            break;
        }
        *name = entry->d_name;
        return true;
    }
    return false;
}

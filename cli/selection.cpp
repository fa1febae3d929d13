// Planning the command line's selection (contract in selection.h).
#include "selection.h"

#include <cstdlib>
#include <unordered_set>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include "file_id.h"
#include "full_path.h"
#include "system_error.h"

namespace {

struct Candidate {
    NamedPath path;
    FileId id;
};

bool InsideAny(const PathString& path, const std::unordered_set<FileId, FileIdHash>& folders) {
    for (const FileId& holder : ContainingFolderIds(path)) {
        if (folders.contains(holder)) {
            return true;
        }
    }
    return false;
}

// A path ending in a separator asks the system to follow a final link; the link itself is what was named,
// so such a path is taken without its separators when it names a link.
PathString WithoutFollowingLink(const PathString& full) {
    PathString name = full;
    while (name.size() > 1 && IsPathSeparator(name.back())) {
        name.pop_back();
    }
    return name.size() != full.size() && ReadItemKind(name) == EntryKind::Link ? name : full;
}

// The root folder of its file system is its own holder.
bool IsRootFolder(const PathString& full, const FileId& id) {
    const std::vector<FileId> holders = ContainingFolderIds(full);
    return !holders.empty() && holders.front() == id;
}

} // namespace

Selection PlanSelection(const std::vector<PathString>& typed) {
    Selection selection;
    std::vector<Candidate> candidates;
    std::unordered_set<FileId, FileIdHash> seen;
    std::unordered_set<FileId, FileIdHash> folders;
    for (const PathString& word : typed) {
        ClearSystemError();
        NamedPath path{word, WithoutFollowingLink(MakeFullPath(word).value_or(PathString())), EntryKind::File, 0};
        const auto kind = path.full.empty() ? std::nullopt : ReadItemKind(path.full);
        const auto id = kind ? ReadFileId(path.full) : std::nullopt;
        if (!kind || !id) {
            path.systemError = LastSystemError();
            selection.missing.push_back(std::move(path));
            continue;
        }
        path.kind = *kind;
        if (!seen.insert(*id).second) {
            continue;
        }
        if (*kind == EntryKind::Link || *kind == EntryKind::Special) {
            selection.notConvertible.push_back(std::move(path));
            continue;
        }
        if (*kind == EntryKind::Folder && IsRootFolder(path.full, *id)) {
            selection.roots.push_back(std::move(path));
            continue;
        }
        if (*kind == EntryKind::Folder) {
            folders.insert(*id);
        }
        candidates.push_back(Candidate{std::move(path), *id});
    }
    for (Candidate& candidate : candidates) {
        if (!folders.empty() && InsideAny(candidate.path.full, folders)) {
            continue;
        }
        selection.items.push_back(std::move(candidate.path));
    }
    return selection;
}

void SetAsideSystemFolders(Selection* selection, const std::vector<SystemFolder>& folders) {
    std::vector<NamedPath> kept;
    for (NamedPath& item : selection->items) {
        if (auto folder = SystemFolderTouchedBy(item.full, folders)) {
            selection->systemFolders.emplace_back(std::move(item), std::move(*folder));
        } else {
            kept.push_back(std::move(item));
        }
    }
    selection->items = std::move(kept);
}

std::vector<SystemFolder> ThisSystemsFolders() {
#ifdef _WIN32
    return WindowsSystemFolders();
#else
    std::vector<PathString> homes;
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        homes.emplace_back(home);
    }
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        homes.emplace_back(user->pw_dir);
    }
    return PosixSystemFolders("/", homes);
#endif
}

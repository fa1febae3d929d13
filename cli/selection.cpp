// Planning the command line's selection (contract in selection.h).
#include "selection.h"

#include <unordered_set>

#include "file_identity.h"
#include "full_path.h"

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

} // namespace

Selection PlanSelection(const std::vector<PathString>& typed) {
    Selection selection;
    std::vector<Candidate> candidates;
    std::unordered_set<FileId, FileIdHash> seen;
    std::unordered_set<FileId, FileIdHash> folders;
    for (const PathString& word : typed) {
        NamedPath path{word, MakeFullPath(word).value_or(PathString()), EntryKind::File};
        const auto kind = path.full.empty() ? std::nullopt : ReadItemKind(path.full);
        const auto id = kind ? ReadFileId(path.full) : std::nullopt;
        if (!kind || !id) {
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

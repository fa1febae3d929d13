// The system's folders below a root, and the identity comparison of a path with them.
#include "system_folders.h"

#include <algorithm>

#include "folder.h"

namespace {

struct KnownFolder {
    const SystemFolder* folder;
    FileId id;
    std::vector<FileId> holders; // innermost first
};

bool Holds(const std::vector<FileId>& holders, const FileId& folder) {
    return std::find(holders.begin(), holders.end(), folder) != holders.end();
}

} // namespace

std::vector<SystemFolder> PosixSystemFolders(const PathString& root, const std::vector<PathString>& homes) {
    PathString base = root;
    if (base.empty() || !IsPathSeparator(base.back())) {
        base += TOLVANE_PATH_LITERAL("/");
    }
    std::vector<SystemFolder> folders{{base, false, false}};
    static const PathChar* const kTopLevel[] = {
        TOLVANE_PATH_LITERAL("bin"),  TOLVANE_PATH_LITERAL("boot"), TOLVANE_PATH_LITERAL("dev"),
        TOLVANE_PATH_LITERAL("etc"),  TOLVANE_PATH_LITERAL("opt"),  TOLVANE_PATH_LITERAL("proc"),
        TOLVANE_PATH_LITERAL("sbin"), TOLVANE_PATH_LITERAL("sys"),  TOLVANE_PATH_LITERAL("usr"),
        TOLVANE_PATH_LITERAL("var"),
    };
    for (const PathChar* name : kTopLevel) {
        folders.push_back({base + name, true, false});
    }
    // lib, lib32, lib64, libx32 and whatever else the system names so.
    if (const std::optional<HeldFolder> top = HeldFolder::Open(base)) {
        FolderListing listing(*top);
        PathView name;
        EntryKind kind = EntryKind::File;
        while (listing.Next(&name, &kind)) {
            if (name.starts_with(TOLVANE_PATH_LITERAL("lib"))) {
                folders.push_back({base + PathString(name), true, false});
            }
        }
    }
    for (const PathString& home : homes) {
        if (!home.empty()) {
            folders.push_back({home, false, true});
        }
    }
    return folders;
}

std::optional<SystemFolder> SystemFolderTouchedBy(const PathString& path, const std::vector<SystemFolder>& folders) {
    const std::optional<FileId> id = ReadFileId(path);
    if (!id) {
        return std::nullopt;
    }
    const std::vector<FileId> pathHolders = ContainingFolderIds(path);
    std::vector<KnownFolder> known;
    for (const SystemFolder& folder : folders) {
        if (const auto folderId = ReadFileId(folder.path)) {
            known.push_back(KnownFolder{&folder, *folderId, ContainingFolderIds(folder.path)});
        }
    }
    for (const KnownFolder& folder : known) {
        if (folder.id == *id) {
            return *folder.folder;
        }
    }
    for (const KnownFolder& folder : known) {
        if (folder.folder->insideRefused && Holds(pathHolders, folder.id)) {
            return *folder.folder;
        }
    }
    for (const KnownFolder& folder : known) {
        if (Holds(folder.holders, *id)) {
            return *folder.folder;
        }
    }
    return std::nullopt;
}

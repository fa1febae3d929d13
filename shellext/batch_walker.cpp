// The counting and processing passes of a batch (contract in batch_walker.h). Both walk folders with one
// explicit stack of open listings, so the depth of a tree costs heap, not the caller's thread stack.
#include "batch_walker.h"

#include <limits>
#include <unordered_set>
#include <vector>

#include "folder_listing.h"

void BatchObserver::FileConverted(const PathString&, const ConvertResult&) {}
void BatchObserver::FilePassedOver(const PathString&, PassOverReason) {}
void BatchObserver::FolderUnlistable(const PathString&) {}
void BatchObserver::SelectionItemUnreadable(const PathString&) {}
bool BatchObserver::StopRequested() {
    return false;
}

namespace {

using NameSet = std::unordered_set<PathString>;

bool IsSeparator(PathChar unit) {
#ifdef _WIN32
    return unit == L'\\' || unit == L'/';
#else
    return unit == '/';
#endif
}

PathString JoinPath(const PathString& folder, PathView name) {
    PathString child;
    child.reserve(folder.size() + 1 + name.size());
    child = folder;
    if (child.empty() || !IsSeparator(child.back())) {
        child += kPathSeparator;
    }
    child += name;
    return child;
}

PathView LastComponent(const PathString& path) {
    size_t end = path.size();
    size_t start = end;
    while (start > 0 && !IsSeparator(path[start - 1])) {
        --start;
    }
    return PathView(path).substr(start, end - start);
}

bool IsValidMode(int mode) {
    return mode == kModeEncrypt || mode == kModeDecrypt;
}

void AddSaturating(int32_t* counter, int32_t amount) {
    if (*counter > std::numeric_limits<int32_t>::max() - amount) {
        *counter = std::numeric_limits<int32_t>::max();
    } else {
        *counter += amount;
    }
}

// One level of a folder walk: the folder, its open listing, and the names the engine created in it during
// this batch (so that a listing which returns them later does not have them converted again).
struct FolderLevel {
    PathString path;
    FolderListing listing;
    NameSet createdNames;
};

// Walks the tree below root depth first: each subfolder completely before the next entry of its parent.
// visitEntry(level, childPath, name, kind) is called for every entry that is not a folder; unlistable(path)
// for every subfolder that cannot be listed. stop() is asked before each entry. False when root itself
// cannot be listed.
template <typename EntryVisitor, typename UnlistableHandler, typename StopCheck>
bool WalkFolderTree(const PathString& root, EntryVisitor&& visitEntry, UnlistableHandler&& unlistable,
                    StopCheck&& stop) {
    FolderListing rootListing(root);
    if (!rootListing.IsOpen()) {
        return false;
    }
    std::vector<FolderLevel> levels;
    levels.push_back(FolderLevel{root, std::move(rootListing), {}});
    while (!levels.empty() && !stop()) {
        FolderLevel& level = levels.back();
        PathView name;
        EntryKind kind = EntryKind::File;
        if (!level.listing.Next(&name, &kind)) {
            levels.pop_back();
            continue;
        }
        PathString childPath = JoinPath(level.path, name);
        if (kind != EntryKind::Folder) {
            visitEntry(level, childPath, name, kind);
            continue;
        }
        FolderListing childListing(childPath);
        if (!childListing.IsOpen()) {
            unlistable(childPath);
            continue;
        }
        // level is not used past this point: the push may move it.
        levels.push_back(FolderLevel{std::move(childPath), std::move(childListing), {}});
    }
    return true;
}

bool CountsAsBatchFile(PathView name, EntryKind kind) {
    return kind == EntryKind::File && !IsEngineTempName(name);
}

// The per-file dispatch of the processing pass, for a file already known to be a regular file that is not
// an engine temporary file. Gives the output the engine created, or an empty string.
PathString DispatchFile(const PathString& path, int mode, const Utf16Char* password, BatchObserver* observer) {
    const bool isContainer = IsContainerName(path);
    const bool wanted = (mode == kModeEncrypt) ? !isContainer : isContainer;
    if (!wanted) {
        if (observer) {
            observer->FilePassedOver(path, PassOverReason::Extension);
        }
        return {};
    }
    ConvertResult result = (mode == kModeEncrypt) ? EncryptToContainer(path.c_str(), password)
                                                  : DecryptFromContainer(path.c_str(), password);
    if (observer) {
        observer->FileConverted(path, result);
    }
    return std::move(result.outputPath);
}

// A file met as a listing entry or as a selection item: links, devices and engine temporaries are passed
// over (a stale temporary removed), everything else dispatched.
PathString HandleFile(const PathString& path, PathView name, EntryKind kind, int mode, const Utf16Char* password,
                      BatchObserver* observer) {
    PassOverReason reason = PassOverReason::Extension;
    if (kind == EntryKind::Link) {
        reason = PassOverReason::Link;
    } else if (kind == EntryKind::Special) {
        reason = PassOverReason::NotRegularFile;
    } else if (IsEngineTempName(name)) {
        RemoveStaleTempFile(path.c_str());
        reason = PassOverReason::EngineTemporary;
    } else {
        return DispatchFile(path, mode, password, observer);
    }
    if (observer) {
        observer->FilePassedOver(path, reason);
    }
    return {};
}

void ProcessTree(const PathString& root, int mode, const Utf16Char* password, BatchObserver* observer, bool* listed) {
    *listed = WalkFolderTree(
        root,
        [&](FolderLevel& level, const PathString& childPath, PathView name, EntryKind kind) {
            if (level.createdNames.contains(PathString(name))) {
                return;
            }
            const PathString output = HandleFile(childPath, name, kind, mode, password, observer);
            if (!output.empty()) {
                level.createdNames.insert(PathString(LastComponent(output)));
            }
        },
        [&](const PathString& folder) {
            if (observer) {
                observer->FolderUnlistable(folder);
            }
        },
        [&] { return observer != nullptr && observer->StopRequested(); });
}

} // namespace

int CountFolderFiles(const PathChar* folderPath, int32_t* fileCounter) {
    if (folderPath == nullptr || folderPath[0] == 0 || fileCounter == nullptr) {
        return 0;
    }
    int32_t found = 0;
    const bool listed = WalkFolderTree(
        PathString(folderPath),
        [&](FolderLevel&, const PathString&, PathView name, EntryKind kind) {
            if (CountsAsBatchFile(name, kind)) {
                AddSaturating(&found, 1);
            }
        },
        [](const PathString&) {}, [] { return false; });
    if (!listed) {
        return 0;
    }
    AddSaturating(fileCounter, found);
    return 1;
}

int CountSelection(const PathString* list, int count, int32_t* total) {
    if (list == nullptr || total == nullptr || count <= 0 || list[0].empty()) {
        return 0;
    }
    int32_t found = 0;
    for (int index = 0; index < count && !list[index].empty(); ++index) {
        const PathString& item = list[index];
        const std::optional<EntryKind> kind = ReadItemKind(item);
        if (!kind) {
            break;
        }
        if (*kind == EntryKind::Folder) {
            CountFolderFiles(item.c_str(), &found);
        } else if (CountsAsBatchFile(LastComponent(item), *kind)) {
            AddSaturating(&found, 1);
        }
    }
    *total = found;
    return 1;
}

int ProcessOneFile(const PathChar* filePath, int mode, const Utf16Char* password, BatchObserver* observer) {
    if (filePath == nullptr || filePath[0] == 0 || password == nullptr || !IsValidMode(mode)) {
        return 0;
    }
    const PathString path(filePath);
    // A path that cannot be read is still handed over, so that the engine's failure reaches the observer.
    const EntryKind kind = ReadItemKind(path).value_or(EntryKind::File);
    HandleFile(path, LastComponent(path), kind, mode, password, observer);
    return 1;
}

int ProcessFolder(const PathChar* folderPath, int mode, const Utf16Char* password, BatchObserver* observer) {
    if (folderPath == nullptr || folderPath[0] == 0 || password == nullptr || !IsValidMode(mode)) {
        return 0;
    }
    bool listed = false;
    ProcessTree(PathString(folderPath), mode, password, observer, &listed);
    return listed ? 1 : 0;
}

int ProcessSelection(const PathString* list, int count, int mode, const Utf16Char* password, BatchObserver* observer) {
    if (list == nullptr || count <= 0 || list[0].empty() || password == nullptr || !IsValidMode(mode)) {
        return 0;
    }
    // Outputs made from earlier items, so that an item naming one of them is not converted again.
    NameSet createdPaths;
    for (int index = 0; index < count && !list[index].empty(); ++index) {
        if (observer && observer->StopRequested()) {
            break;
        }
        const PathString& item = list[index];
        const std::optional<EntryKind> kind = ReadItemKind(item);
        if (!kind) {
            if (observer) {
                observer->SelectionItemUnreadable(item);
            }
            break;
        }
        if (*kind == EntryKind::Folder) {
            bool listed = false;
            ProcessTree(item, mode, password, observer, &listed);
            if (!listed && observer) {
                observer->FolderUnlistable(item);
            }
            continue;
        }
        if (createdPaths.contains(item)) {
            continue;
        }
        PathString output = HandleFile(item, LastComponent(item), *kind, mode, password, observer);
        if (!output.empty()) {
            createdPaths.insert(std::move(output));
        }
    }
    return 1;
}

// The counting and processing passes of a batch (contract in batch_walker.h). Both walk folders with one
// explicit stack of small records, the deepest few folders (and the root) open, so the depth of a tree
// costs neither the caller's thread stack nor handles. Every entry is reached relative to the open folder
// that listed it, never by its path. The processing pass converts the files of a folder in batches
// (folder_batch.h), each finished before the walk enters a subfolder or leaves the folder, so that only
// the deepest folder ever has conversions waiting.
#include "batch_walker.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_set>
#include <vector>

#include "folder.h"
#include "folder_batch.h"
#include "path_parts.h"
#include "system_error.h"
#include "temp_files.h"

void BatchObserver::FileConverted(const PathString&, const ConvertResult&) {}
void BatchObserver::FilePassedOver(const PathString&, PassOverReason) {}
void BatchObserver::FolderUnlistable(const PathString&, int) {}
void BatchObserver::SelectionItemUnreadable(const PathString&) {}

namespace {

using NameSet = std::unordered_set<PathString>;

PathView LastComponent(const PathString& path) {
    size_t start = path.size();
    while (start > 0 && !IsPathSeparator(path[start - 1])) {
        --start;
    }
    return PathView(path).substr(start);
}

// The int mode of the entry points as a BatchMode; nothing when it is neither.
std::optional<BatchMode> BatchModeOf(int mode) {
    if (mode == kModeEncrypt) {
        return BatchMode::Encrypt;
    }
    if (mode == kModeDecrypt) {
        return BatchMode::Decrypt;
    }
    return std::nullopt;
}

void AddSaturating(int32_t* counter, int32_t amount) {
    if (*counter > std::numeric_limits<int32_t>::max() - amount) {
        *counter = std::numeric_limits<int32_t>::max();
    } else {
        *counter += amount;
    }
}

// How many of the deepest folders of a walk stay open; the root stays open too. A shallower folder is
// opened again from its child when the walk comes back to it, so a walk holds a bounded number of handles
// whatever the depth of the tree.
constexpr size_t kOpenDeepestFolders = 4;

struct ListedEntry {
    PathString name;
    EntryKind kind;
};

// One level of a folder walk: the folder while it is open, what tells it from any other, its whole
// listing, and the names the engine created in it during this batch (so that a listing which returns them
// later does not have them converted again). The listing is read whole before any subfolder is entered:
// positions in a listing do not survive the folder being closed and opened again.
struct FolderLevel {
    std::optional<HeldFolder> folder;
    FileId id;
    std::vector<ListedEntry> entries;
    size_t next = 0;
    int listingError = 0; // the listing broke off after the entries read
    NameSet createdNames;
};

// The whole listing of an open folder into level; false when it cannot be listed at all.
bool ReadListing(HeldFolder folder, FolderLevel* level) {
    FolderListing listing(folder);
    if (!listing.IsOpen()) {
        return false;
    }
    PathView name;
    EntryKind kind = EntryKind::File;
    while (listing.Next(&name, &kind)) {
        level->entries.push_back(ListedEntry{PathString(name), kind});
    }
    level->listingError = listing.Error();
    level->id = folder.Id().value_or(FileId{});
    level->folder = std::move(folder);
    return true;
}

// Leaves the finished deepest level and gets its parent ready to go on: opened again through the
// finished folder when it was closed, and checked to be the folder that was walked. A folder moved
// meanwhile is never followed out of the selection: it and the closed levels above it are reported with
// what they had left and given up, up to the nearest level still open.
template <typename UnlistableHandler>
void ReturnToParent(std::vector<FolderLevel>& levels, UnlistableHandler&& unlistable) {
    FolderLevel finished = std::move(levels.back());
    levels.pop_back();
    if (finished.listingError != 0) {
        unlistable(finished.folder->path(), finished.listingError);
    }
    if (levels.empty() || levels.back().folder) {
        return;
    }
    ClearSystemError();
    std::optional<HeldFolder> again = finished.folder->OpenContaining();
    const int error = LastSystemError();
    if (again && again->Id() == levels.back().id) {
        levels.back().folder = std::move(again);
        return;
    }
    PathString path = ContainingFolderPath(finished.folder->path());
    const int reason = again ? FolderMovedError() : error;
    while (!levels.empty() && !levels.back().folder) {
        unlistable(path, reason != 0 ? reason : FolderMovedError());
        levels.pop_back();
        path = ContainingFolderPath(std::move(path));
    }
}

// Walks the tree below root depth first: each subfolder completely before the next entry of its parent.
// visitEntry(level, name, kind) is called for every entry that is not a folder, and for a folder entry
// that turned out to be a link when it was opened; unlistable(path) for every subfolder that cannot be
// opened or listed, or whose listing broke off, with the system error (0 when none was given); a folder on
// another mount than its parent is not entered, and visitEntry gets it with the kind Folder. stop() is
// asked before each entry. settle(level) is called for the deepest level before the walk enters a
// subfolder of it, before it leaves it, and when the walk stops there. False when root itself cannot be
// listed. The walk is a loop over an explicit stack of small records, so depth costs neither the thread's
// stack nor a path per level.
template <typename EntryVisitor, typename UnlistableHandler, typename StopCheck, typename Settle>
bool WalkFolderTree(const PathString& root, EntryVisitor&& visitEntry, UnlistableHandler&& unlistable, StopCheck&& stop,
                    Settle&& settle) {
    std::optional<HeldFolder> rootFolder = HeldFolder::Open(root);
    std::vector<FolderLevel> levels(1);
    if (!rootFolder || !ReadListing(std::move(*rootFolder), &levels.back())) {
        return false;
    }
    while (!levels.empty() && !stop()) {
        FolderLevel& level = levels.back();
        if (level.next == level.entries.size()) {
            settle(level);
            ReturnToParent(levels, unlistable);
            continue;
        }
        const ListedEntry& entry = level.entries[level.next++];
        const HeldFolder& folder = *level.folder;
        if (entry.kind != EntryKind::Folder) {
            visitEntry(level, entry.name, entry.kind);
            continue;
        }
        settle(level);
        ClearSystemError();
        std::optional<HeldFolder> child = folder.OpenSubfolder(entry.name);
        if (!child) {
            const int error = LastSystemError();
            // Swapped for a link since it was listed: passed over like any link, never followed.
            if (folder.KindOf(entry.name) == EntryKind::Link) {
                visitEntry(level, entry.name, EntryKind::Link);
            } else {
                unlistable(folder.ChildPath(entry.name), error);
            }
            continue;
        }
        if (child->IsMountedBelow(folder)) {
            visitEntry(level, entry.name, EntryKind::Folder); // another file system, or a bind mount: not entered
            continue;
        }
        if (!FolderPathFitsTheSystem(child->path())) {
            unlistable(child->path(), PathTooDeepError()); // never walked under a shortened path
            continue;
        }
        const PathString childPath = child->path();
        FolderLevel below;
        ClearSystemError();
        if (!ReadListing(std::move(*child), &below)) {
            unlistable(childPath, LastSystemError());
            continue;
        }
        // level and entry are not used past this point: the push may move them.
        levels.push_back(std::move(below));
        if (levels.size() > kOpenDeepestFolders + 1) {
            levels[levels.size() - kOpenDeepestFolders - 1].folder.reset();
        }
    }
    if (!levels.empty()) {
        settle(levels.back());
    }
    return true;
}

// What follows a ':' in a name on Windows is a stream of the file before it, which goes with that file.
bool IsStreamName(PathView name) {
#ifdef _WIN32
    return name.find(L':') != PathView::npos;
#else
    (void)name;
    return false;
#endif
}

bool CountsAsBatchFile(PathView name, EntryKind kind) {
    return kind == EntryKind::File && !IsEngineTempName(name) && !IsStreamName(name);
}

// The per-file dispatch of the processing pass, for an entry listed as a regular file that is not an
// engine temporary: its output written, and the conversion held in the batch to be finished with the rest.
void DispatchFile(const HeldFolder& folder, PathView name, BatchMode mode, const Utf16Char* password,
                  BatchObserver* observer, FolderBatch& batch) {
    const PathString path = folder.ChildPath(name);
    const bool isContainer = IsContainerName(name);
    const bool wanted = (mode == BatchMode::Encrypt) ? !isContainer : isContainer;
    if (!wanted) {
        batch.PassOver(path, PassOverReason::Extension);
        return;
    }
    WrittenConversion written = (mode == BatchMode::Encrypt) ? WriteContainer(folder, name, password, observer)
                                                             : WriteRestored(folder, name, password, observer);
    if (written.pending) {
        batch.Hold(path, std::move(*written.pending));
        return;
    }
    const ConvertResult& result = written.result;
    // Only a name that no longer exists is gone; an entry that cannot be reached for any other reason (a
    // folder that can be listed but not searched, say) is a failure of that entry, with its reason.
    if (result.outcome == ConvertOutcome::SourceUnreadable && IsNoSuchEntryError(result.systemError) &&
        !folder.KindOf(name)) {
        batch.PassOver(path, PassOverReason::Gone);
        return;
    }
    if (result.outcome == ConvertOutcome::NotARegularFile) {
        // No longer the file that was listed: a link (not followed) or something else put in its place.
        const bool link = folder.KindOf(name) == EntryKind::Link;
        batch.PassOver(path, link ? PassOverReason::Link : PassOverReason::NotRegularFile);
        return;
    }
    batch.Report(path, result);
}

// A file met as a listing entry or as a selection item: links, devices and engine temporaries are passed
// over (a leftover temporary is reported, never deleted: no file is deleted because of its name),
// everything else dispatched.
void HandleFile(const HeldFolder& folder, PathView name, EntryKind kind, BatchMode mode, const Utf16Char* password,
                BatchObserver* observer, FolderBatch& batch) {
    if (IsStreamName(name)) {
        batch.PassOver(folder.ChildPath(name), PassOverReason::StreamName);
    } else if (kind == EntryKind::Link) {
        batch.PassOver(folder.ChildPath(name), PassOverReason::Link);
    } else if (kind == EntryKind::Special) {
        batch.PassOver(folder.ChildPath(name), PassOverReason::NotRegularFile);
    } else if (IsSetAsideName(name)) {
        batch.PassOver(folder.ChildPath(name), PassOverReason::SetAsideSource);
    } else if (IsEngineTempName(name)) {
        batch.PassOver(folder.ChildPath(name), PassOverReason::EngineTemporary);
    } else {
        DispatchFile(folder, name, mode, password, observer, batch);
    }
}

// Handles a walk holds besides its batch: the root and the deepest folders, and a listing being read.
constexpr size_t kWalkHandles = kOpenDeepestFolders + 2;

// The engine's own attempt at a selected file whose folder cannot be opened: it tells the observer why
// the file cannot be taken. Gives the full path of the output, if any.
PathString HandleUnreachableFile(const PathString& path, BatchMode mode, const Utf16Char* password,
                                 BatchObserver* observer) {
    ConvertResult result = (mode == BatchMode::Encrypt) ? EncryptToContainer(path.c_str(), password, observer)
                                                        : DecryptFromContainer(path.c_str(), password, observer);
    if (observer) {
        observer->FileConverted(path, result);
    }
    return std::move(result.outputPath);
}

// Files of the selection that follow one another in one folder (a whole folder's files selected in
// Explorer, say) are a batch together, as a listed folder's files are: the folder stays open while the next
// item is another file of it.
class SelectedFiles {
public:
    explicit SelectedFiles(BatchObserver* observer) : m_observer(observer), m_batch(observer, kWalkHandles) {}
    SelectedFiles(const SelectedFiles&) = delete;
    SelectedFiles& operator=(const SelectedFiles&) = delete;

    // One selected file: its output written and held, or its report queued behind those held.
    void Handle(const PathString& path, EntryKind kind, BatchMode mode, const Utf16Char* password,
                NameSet* createdPaths) {
        PathString name;
        if (!NameInHeldFolder(path, &name) || m_namesHeld.contains(name)) {
            Finish(createdPaths);
            m_folder.reset();
            m_folder = HeldFolder::OpenParent(path, &name);
        }
        if (!m_folder) {
            PathString output = HandleUnreachableFile(path, mode, password, m_observer);
            if (!output.empty()) {
                createdPaths->insert(std::move(output));
            }
            return;
        }
        // A name given twice is one file: the second finds it converted, never converts it again.
        m_namesHeld.insert(name);
        HandleFile(*m_folder, name, kind, mode, password, m_observer, m_batch);
    }

    // Finishes what is held and delivers every report; the outputs made join createdPaths.
    void Finish(NameSet* createdPaths) {
        m_batch.Finish();
        m_namesHeld.clear();
        for (PathString& output : m_batch.TakeOutputPaths()) {
            createdPaths->insert(std::move(output));
        }
    }

private:
    // The name of path in the folder held, when path names an entry of it as OpenParent would split it.
    bool NameInHeldFolder(const PathString& path, PathString* name) const {
        if (!m_folder) {
            return false;
        }
        const PathString& folder = m_folder->path();
        if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) {
            return false;
        }
        *name = path.substr(folder.size());
        return std::none_of(name->begin(), name->end(), IsPathSeparator);
    }

    BatchObserver* m_observer;
    FolderBatch m_batch;
    std::optional<HeldFolder> m_folder;
    NameSet m_namesHeld;
};

void ProcessTree(const PathString& root, BatchMode mode, const Utf16Char* password, BatchObserver* observer,
                 bool* listed) {
    FolderBatch batch(observer, kWalkHandles);
    const auto noteOutputs = [&](FolderLevel& level) {
        for (const PathString& output : batch.TakeOutputPaths()) {
            level.createdNames.insert(PathString(LastComponent(output)));
        }
    };
    *listed = WalkFolderTree(
        root,
        [&](FolderLevel& level, PathView name, EntryKind kind) {
            if (level.createdNames.contains(PathString(name))) {
                return;
            }
            if (kind == EntryKind::Folder) {
                batch.PassOver(level.folder->ChildPath(name), PassOverReason::MountPoint);
                return;
            }
            HandleFile(*level.folder, name, kind, mode, password, observer, batch);
            noteOutputs(level);
        },
        [&](const PathString& folder, int error) {
            if (observer) {
                observer->FolderUnlistable(folder, error);
            }
        },
        [&] { return observer != nullptr && observer->StopRequested(); },
        [&](FolderLevel& level) {
            batch.Finish();
            noteOutputs(level);
        });
}

} // namespace

int CountFolderFiles(const PathChar* folderPath, int32_t* fileCounter) {
    if (folderPath == nullptr || folderPath[0] == 0 || fileCounter == nullptr) {
        return 0;
    }
    int32_t found = 0;
    const bool listed = WalkFolderTree(
        PathString(folderPath),
        [&](FolderLevel&, PathView name, EntryKind kind) {
            if (CountsAsBatchFile(name, kind)) {
                AddSaturating(&found, 1);
            }
        },
        [](const PathString&, int) {}, [] { return false; }, [](FolderLevel&) {});
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
    const std::optional<BatchMode> direction = BatchModeOf(mode);
    if (filePath == nullptr || filePath[0] == 0 || password == nullptr || !direction) {
        return 0;
    }
    const PathString path(filePath);
    // A path that cannot be read is still handed over, so that the engine's failure reaches the observer.
    const EntryKind kind = ReadItemKind(path).value_or(EntryKind::File);
    NameSet createdPaths;
    SelectedFiles files(observer);
    files.Handle(path, kind, *direction, password, &createdPaths);
    files.Finish(&createdPaths);
    return 1;
}

int ProcessFolder(const PathChar* folderPath, int mode, const Utf16Char* password, BatchObserver* observer) {
    const std::optional<BatchMode> direction = BatchModeOf(mode);
    if (folderPath == nullptr || folderPath[0] == 0 || password == nullptr || !direction) {
        return 0;
    }
    bool listed = false;
    ProcessTree(PathString(folderPath), *direction, password, observer, &listed);
    return listed ? 1 : 0;
}

int ProcessSelection(const PathString* list, int count, int mode, const Utf16Char* password, BatchObserver* observer) {
    const std::optional<BatchMode> direction = BatchModeOf(mode);
    return direction ? ProcessSelection(list, count, *direction, password, observer) : 0;
}

int ProcessSelection(const PathString* list, int count, BatchMode mode, const Utf16Char* password,
                     BatchObserver* observer) {
    if (list == nullptr || count <= 0 || list[0].empty() || password == nullptr) {
        return 0;
    }
    // Outputs made from earlier items, so that an item naming one of them is not converted again.
    NameSet createdPaths;
    SelectedFiles files(observer);
    for (int index = 0; index < count && !list[index].empty(); ++index) {
        if (observer && observer->StopRequested()) {
            break;
        }
        const PathString& item = list[index];
        const std::optional<EntryKind> kind = ReadItemKind(item);
        if (!kind) {
            files.Finish(&createdPaths);
            if (observer) {
                observer->SelectionItemUnreadable(item);
            }
            break;
        }
        if (*kind == EntryKind::Folder) {
            files.Finish(&createdPaths);
            bool listed = false;
            ProcessTree(item, mode, password, observer, &listed);
            if (!listed && observer) {
                observer->FolderUnlistable(item, 0);
            }
            continue;
        }
        if (createdPaths.contains(item)) {
            continue;
        }
        files.Handle(item, *kind, mode, password, &createdPaths);
    }
    files.Finish(&createdPaths);
    return 1;
}

// Folders on Windows: each one opened once through its handle, listed through that handle
// (FileIdBothDirectoryInfo), and its entries opened relative to it with FILE_OPEN_REPARSE_POINT, so that
// the reparse tag of what is really there decides. Reparse points whose tag is a name surrogate (symbolic
// links, junctions, mount points) are links; other reparse points, such as cloud placeholders, are
// ordinary files and folders.
#include "folder.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

#include "fault_injection.h"
#include "full_path.h"
#include "nt_file.h"

namespace {

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Enough for a few hundred entries a call.
constexpr DWORD kListingBufferBytes = 64 * 1024;

PathString WithSeparator(PathString path) {
    if (path.empty() || !IsPathSeparator(path.back())) {
        path += L'\\';
    }
    return path;
}

bool IsDotEntry(PathView name) {
    return name == L"." || name == L"..";
}

// A handle to what was opened without following a final reparse point is a folder, and not a link.
bool IsPlainFolder(HANDLE handle) {
    const auto tag = ReadAttributeTag(handle);
    if (!tag || KindFromAttributes(tag->attributes, tag->reparseTag) != EntryKind::Folder) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    return true;
}

} // namespace

EntryKind KindFromAttributes(uint32_t attributes, uint32_t reparseTag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag)) {
        return EntryKind::Link;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EntryKind::Folder;
    }
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        return EntryKind::Special;
    }
    return EntryKind::File;
}

std::optional<EntryKind> ReadItemKind(const PathString& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    FileHandle item(CreateFileW(LongFormPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) {
        return std::nullopt;
    }
    const auto tag = ReadAttributeTag(item.get());
    if (!tag) {
        return std::nullopt;
    }
    return KindFromAttributes(tag->attributes, tag->reparseTag);
}

std::optional<HeldFolder> HeldFolder::Open(const PathString& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    FileHandle folder(CreateFileW(LongFormPath(path).c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder || !IsPlainFolder(folder.get())) {
        return std::nullopt;
    }
    return HeldFolder(std::move(folder), WithSeparator(path));
}

std::optional<HeldFolder> HeldFolder::OpenParent(const PathString& path, PathString* name) {
    size_t separator = path.size();
    while (separator > 0 && !IsPathSeparator(path[separator - 1])) {
        --separator;
    }
    if (separator < 2 || separator >= path.size()) {
        return std::nullopt;
    }
    const PathString parent = path.substr(0, separator);
    // The folders on the way are what was selected: a junction among them is followed as the system does.
    FileHandle folder(CreateFileW(LongFormPath(parent).c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return std::nullopt;
    }
    *name = path.substr(separator);
    return HeldFolder(std::move(folder), parent);
}

std::optional<HeldFolder> HeldFolder::OpenSubfolder(PathView name) const {
    FileHandle folder = OpenRelative(m_handle.get(), name, kFolderAccess, kShareAll, FILE_OPEN,
                                     FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT);
    if (!folder || !IsPlainFolder(folder.get())) {
        return std::nullopt;
    }
    return HeldFolder(std::move(folder), m_path + PathString(name) + L'\\');
}

std::optional<EntryKind> HeldFolder::KindOf(PathView name) const {
    const FileHandle entry = OpenEntryUnfollowed(m_handle.get(), name);
    const auto tag = entry ? ReadAttributeTag(entry.get()) : std::nullopt;
    if (!tag) {
        return std::nullopt;
    }
    return KindFromAttributes(tag->attributes, tag->reparseTag);
}

std::optional<FileId> HeldFolder::Id() const {
    return ReadNativeFileId(m_handle.get());
}

std::optional<HeldFolder> HeldFolder::OpenContaining() const {
    const PathString path = ContainingFolderPath(m_path);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    if (!FolderPathFitsTheSystem(path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    return Open(path);
}

bool FolderPathFitsTheSystem(const PathString& path) {
    // The long form adds its prefix ("\\?\" or "\\?\UNC\") to what the path holds.
    constexpr size_t kLongestPath = 32767;
    return LongFormPath(path).size() <= kLongestPath;
}

bool HeldFolder::Sync() const {
    // NTFS writes a rename through its journal; the output's own flush (TempOutput::SyncFolder) makes the
    // new name durable.
    return true;
}

bool HeldFolder::IsMountedBelow(const HeldFolder&) const {
    return false;
}

struct FolderListing::State {
    HANDLE folder = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    std::vector<uint64_t> buffer = std::vector<uint64_t>(kListingBufferBytes / sizeof(uint64_t));
    size_t next = 0;     // offset of the next entry in the buffer
    bool filled = false; // the buffer holds entries not yet returned
    bool restart = true; // the first call starts the listing from its beginning
    PathString name;
};

FolderListing::FolderListing(const HeldFolder& folder) {
    m_state = std::make_unique<State>();
    m_state->folder = folder.handle();
}

FolderListing::~FolderListing() = default;
FolderListing::FolderListing(FolderListing&&) noexcept = default;
FolderListing& FolderListing::operator=(FolderListing&&) noexcept = default;

int FolderListing::Error() const {
    return m_state ? static_cast<int>(m_state->error) : ERROR_INVALID_HANDLE;
}

bool FolderListing::Next(PathView* name, EntryKind* kind) {
    if (!m_state || m_state->error != ERROR_SUCCESS) {
        return false;
    }
    State& state = *m_state;
    auto* bytes = reinterpret_cast<uint8_t*>(state.buffer.data());
    for (;;) {
        if (!state.filled) {
            const FILE_INFO_BY_HANDLE_CLASS request =
                state.restart ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
            if (CheckFault(FileOp::ListFolder) != FaultDecision::Proceed) {
                state.error = ERROR_IO_DEVICE;
                return false;
            }
            if (!GetFileInformationByHandleEx(state.folder, request, bytes, kListingBufferBytes)) {
                // The end of the listing is this one error (a first query of a folder without even "."
                // finds no file at all); any other breaks it off.
                const DWORD error = GetLastError();
                const bool end = error == ERROR_NO_MORE_FILES || (state.restart && error == ERROR_FILE_NOT_FOUND);
                state.error = end ? ERROR_SUCCESS : error;
                return false;
            }
            state.restart = false;
            state.filled = true;
            state.next = 0;
        }
        const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + state.next);
        if (entry->NextEntryOffset == 0) {
            state.filled = false;
        } else {
            state.next += entry->NextEntryOffset;
        }
        state.name.assign(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
        if (IsDotEntry(state.name)) {
            continue;
        }
        // For a reparse point the listing gives its tag where the extended-attribute size would be.
        *kind = KindFromAttributes(entry->FileAttributes, entry->EaSize);
        *name = state.name;
        NotifyListed(*name);
        return true;
    }
}

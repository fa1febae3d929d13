// Folder listing on Windows: FindFirstFileW/FindNextFileW on paths of any length (the "\\?\" form when a
// path is long). Reparse points whose tag is a name surrogate (symbolic links, junctions, mount points) are
// links; other reparse points, such as cloud placeholders, are ordinary files and folders.
#include "folder_listing.h"

#include <windows.h>

#include "full_path.h"
#include "unique_handle.h"

namespace {

// A search handle: INVALID_HANDLE_VALUE when FindFirstFileW failed, which is never handed to FindClose.
struct FindTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
using UniqueFind = UniqueHandle<FindTraits>;

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

EntryKind KindFromFindData(const WIN32_FIND_DATAW& data) {
    // dwReserved0 holds the reparse tag when the reparse-point attribute is set.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(data.dwReserved0)) {
        return EntryKind::Link;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EntryKind::Folder;
    }
    return EntryKind::File;
}

} // namespace

std::optional<EntryKind> ReadItemKind(const PathString& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    const PathString callable = LongFormPath(path);
    const DWORD attributes = GetFileAttributesW(callable.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
    }
    // Only a listing of the item itself gives its reparse tag.
    WIN32_FIND_DATAW data{};
    const UniqueFind find(FindFirstFileW(callable.c_str(), &data));
    if (!find) {
        // A reparse point of unknown kind is not followed.
        return EntryKind::Link;
    }
    return KindFromFindData(data);
}

struct FolderListing::State {
    UniqueFind find;
    WIN32_FIND_DATAW data{};
    bool holdsUnreadEntry = true; // the entry FindFirstFileW gave has not been returned yet
};

FolderListing::FolderListing(const PathString& folderPath) {
    if (folderPath.empty()) {
        return;
    }
    PathString pattern = folderPath;
    if (pattern.back() != L'\\' && pattern.back() != L'/') {
        pattern += L'\\';
    }
    pattern += L'*';
    auto state = std::make_unique<State>();
    state->find.reset(FindFirstFileW(LongFormPath(pattern).c_str(), &state->data));
    if (!state->find) {
        return;
    }
    m_state = std::move(state);
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
    for (;;) {
        if (m_state->holdsUnreadEntry) {
            m_state->holdsUnreadEntry = false;
        } else if (!FindNextFileW(m_state->find.get(), &m_state->data)) {
            return false;
        }
        if (IsDotEntry(m_state->data.cFileName)) {
            continue;
        }
        *name = m_state->data.cFileName;
        *kind = KindFromFindData(m_state->data);
        return true;
    }
}

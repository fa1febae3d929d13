// Folder listing on Windows: FindFirstFileW/FindNextFileW on paths of any length (the "\\?\" form when a
// path is long). Reparse points whose tag is a name surrogate (symbolic links, junctions, mount points) are
// links; other reparse points, such as cloud placeholders, are ordinary files and folders.
#include "folder_listing.h"

#include <windows.h>

namespace {

// Below this length every path call accepts the plain form; a search pattern adds two units.
constexpr size_t kPlainPathLimit = MAX_PATH - 12;

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

// The form of path that Windows accepts at any length. Long paths are made absolute and normalised first,
// because the "\\?\" form turns off both.
PathString ToCallablePath(const PathString& path) {
    if (path.size() < kPlainPathLimit || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return path;
    }
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    PathString full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return path;
    }
    full.resize(written);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

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
    const PathString callable = ToCallablePath(path);
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
    if (find.get() == INVALID_HANDLE_VALUE) {
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
    HANDLE find = FindFirstFileW(ToCallablePath(pattern).c_str(), &state->data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    state->find.reset(find);
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

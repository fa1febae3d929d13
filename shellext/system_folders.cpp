// Finding the system's own folders through the shell's known folders, and comparing them with a
// selection by identity.
#include "system_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "file_identity.h"
#include "win_handles.h"

namespace {

struct SystemFolder {
    std::wstring path;
    FileId id;
    std::vector<FileId> holders; // the folders that hold it, innermost first
    bool insideRefused;          // true: what lies inside it is refused too
};

std::optional<std::wstring> KnownFolderPath(REFKNOWNFOLDERID folder) {
    wchar_t* raw = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(folder, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const CoTaskText path(raw);
    if (FAILED(hr) || raw == nullptr || raw[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(raw);
}

void Add(std::vector<SystemFolder>& folders, const std::optional<std::wstring>& path, bool insideRefused) {
    if (!path) {
        return;
    }
    if (const auto id = ReadFileId(*path)) {
        folders.push_back(SystemFolder{*path, *id, ContainingFolderIds(*path), insideRefused});
    }
}

// The folder that holds path, or nothing at a root.
std::optional<std::wstring> ContainingFolder(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos || separator + 1 >= path.size()) {
        return std::nullopt;
    }
    return path.substr(0, separator + 1);
}

std::vector<SystemFolder> SystemFolders() {
    std::vector<SystemFolder> folders;
    // In the order a message names them: a folder holding several names the outermost.
    const std::optional<std::wstring> windows = KnownFolderPath(FOLDERID_Windows);
    Add(folders, windows, true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramFiles), true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramFilesX86), true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramData), true);
    Add(folders, windows ? std::optional<std::wstring>(windows->substr(0, 3)) : std::nullopt, false);
    Add(folders, KnownFolderPath(FOLDERID_Profile), false);
    const std::optional<std::wstring> roaming = KnownFolderPath(FOLDERID_RoamingAppData);
    // AppData itself, which holds Roaming, Local and LocalLow.
    Add(folders, roaming ? ContainingFolder(*roaming) : std::nullopt, true);
    Add(folders, roaming, true);
    Add(folders, KnownFolderPath(FOLDERID_LocalAppData), true);
    return folders;
}

bool Holds(const std::vector<FileId>& holders, const FileId& folder) {
    return std::find(holders.begin(), holders.end(), folder) != holders.end();
}

enum class Relation { Is, LiesInside, Holds };

bool Touches(const SystemFolder& folder, Relation relation, const FileId& item,
             const std::vector<FileId>& itemHolders) {
    switch (relation) {
    case Relation::Is:
        return folder.id == item;
    case Relation::LiesInside:
        return folder.insideRefused && Holds(itemHolders, folder.id);
    case Relation::Holds:
        return Holds(folder.holders, item);
    }
    return false;
}

} // namespace

std::optional<std::wstring> SystemFolderTouchedBy(const std::vector<std::wstring>& selection) {
    const std::vector<SystemFolder> folders = SystemFolders();
    for (const std::wstring& item : selection) {
        const std::optional<FileId> id = ReadFileId(item);
        if (!id) {
            continue; // nothing there to protect; the batch says what became of it
        }
        const std::vector<FileId> itemHolders = ContainingFolderIds(item);
        // The folder the item is, else the one it lies inside, else the one it holds: the name that tells
        // the user most.
        for (const Relation relation : {Relation::Is, Relation::LiesInside, Relation::Holds}) {
            for (const SystemFolder& folder : folders) {
                if (Touches(folder, relation, *id, itemHolders)) {
                    return folder.path;
                }
            }
        }
    }
    return std::nullopt;
}

// The system's folders on Windows, from the shell's known folders.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "system_folders.h"
#include "unique_handle.h"

namespace {

std::optional<PathString> KnownFolderPath(REFKNOWNFOLDERID folder) {
    wchar_t* raw = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(folder, KF_FLAG_DONT_VERIFY, nullptr, &raw);
    const UniqueHandle<CoTaskMemoryTraits<wchar_t*>> owned(raw);
    if (FAILED(hr) || raw == nullptr || raw[0] == L'\0') {
        return std::nullopt;
    }
    return PathString(raw);
}

void Add(std::vector<SystemFolder>& folders, const std::optional<PathString>& path, bool insideRefused,
         bool home = false) {
    if (path) {
        folders.push_back(SystemFolder{*path, insideRefused, home});
    }
}

} // namespace

std::vector<SystemFolder> WindowsSystemFolders() {
    // Outermost first, so that a folder holding several is told by the outermost.
    std::vector<SystemFolder> folders;
    const std::optional<PathString> windows = KnownFolderPath(FOLDERID_Windows);
    Add(folders, windows, true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramFiles), true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramFilesX86), true);
    Add(folders, KnownFolderPath(FOLDERID_ProgramData), true);
    Add(folders, windows ? std::optional<PathString>(windows->substr(0, 3)) : std::nullopt, false);
    Add(folders, KnownFolderPath(FOLDERID_Profile), false, true);
    const std::optional<PathString> roaming = KnownFolderPath(FOLDERID_RoamingAppData);
    // AppData itself, which holds Roaming, Local and LocalLow.
    Add(folders, roaming ? std::optional<PathString>(ContainingFolderPath(*roaming)) : std::nullopt, true);
    Add(folders, roaming, true);
    Add(folders, KnownFolderPath(FOLDERID_LocalAppData), true);
    return folders;
}

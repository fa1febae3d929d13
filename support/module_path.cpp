// Module paths without a length limit: GetModuleFileNameW cuts without telling how long the path is and
// reports a cut path by filling the buffer completely, so it is asked again with a larger one until the
// path fits.
#include "module_path.h"

std::wstring ModuleFullPath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring FolderWithSeparator(const std::wstring& path) {
    const size_t lastSeparator = path.rfind(L'\\');
    if (lastSeparator == std::wstring::npos) {
        return {};
    }
    return path.substr(0, lastSeparator + 1);
}

// GetModuleFileNameW cuts without telling how long the path is, so it is asked again until it fits.
#include "module_file_path.h"

#include <windows.h>

#include "this_module.h"

std::wstring ModuleFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
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

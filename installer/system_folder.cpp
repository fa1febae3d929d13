// The system folder as GetSystemDirectoryW reports it, for a path of any length.
#include "system_folder.h"

#include <windows.h>

std::wstring SystemFolderPath(const std::wstring& relativePath) {
    const UINT units = ::GetSystemDirectoryW(nullptr, 0);
    if (units == 0) {
        return {};
    }
    std::wstring folder(units, L'\0');
    const UINT length = ::GetSystemDirectoryW(folder.data(), units);
    if (length == 0 || length >= units) {
        return {};
    }
    folder.resize(length);
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder + relativePath;
}

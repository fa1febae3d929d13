// System error words on Windows: the common file errors in plain words, the system's own text for the rest.
#include "system_error.h"

#include <windows.h>

#include "path_text.h"
#include "unique_handle.h"

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers do not name.
constexpr int kDiskQuotaExceeded = 1295;

} // namespace

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

void ClearSystemError() {
    SetLastError(ERROR_SUCCESS);
}

bool IsNoSuchEntryError(int code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

int FolderMovedError() {
    return ERROR_FILE_INVALID;
}

int PathTooDeepError() {
    return ERROR_FILENAME_EXCED_RANGE;
}

std::string SystemErrorText(int code) {
    switch (code) {
    case ERROR_SUCCESS:
        return {};
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return "permission denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "no space left on the disk";
    case kDiskQuotaExceeded:
        return "the disk quota is used up";
    case ERROR_WRITE_PROTECT:
        return "the disk is write-protected";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "no such file or folder";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is in use by another program";
    case ERROR_FILENAME_EXCED_RANGE:
        return "the name or path is longer than Windows allows";
    case ERROR_FILE_INVALID:
        return "the folder was moved or replaced while it was being walked";
    case ERROR_TOO_MANY_OPEN_FILES:
        return "too many open files";
    default:
        break;
    }
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueHandle<LocalMemoryTraits<wchar_t*>> owned(text);
    std::wstring words(text != nullptr ? text : L"", text != nullptr ? length : 0);
    while (!words.empty() &&
           (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.' || words.back() == L' ')) {
        words.pop_back();
    }
    if (words.empty()) {
        return "system error " + std::to_string(code);
    }
    return Utf16ToUtf8(words).value_or("system error " + std::to_string(code));
}

std::string SystemErrorTextAt(int code, const PathString&) {
    return SystemErrorText(code);
}

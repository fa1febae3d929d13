// Full paths on Windows, resolved by their text as Windows resolves them, but keeping every character of
// every name (GetFullPathNameW would drop trailing dots and spaces).
#include "full_path.h"

#include <windows.h>

#include <vector>

namespace {

bool IsDriveLetter(wchar_t unit) {
    return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
}

std::optional<PathString> CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) {
        return std::nullopt;
    }
    PathString folder(needed, L'\0');
    const DWORD written = GetCurrentDirectoryW(needed, folder.data());
    if (written == 0 || written >= needed) {
        return std::nullopt;
    }
    folder.resize(written);
    return folder;
}

// The current folder of a drive ("D:" alone), as the process keeps one per drive.
std::optional<PathString> DriveFolder(wchar_t drive) {
    const wchar_t driveOnly[3] = {drive, L':', L'\0'};
    const DWORD needed = GetFullPathNameW(driveOnly, 0, nullptr, nullptr);
    if (needed == 0) {
        return std::nullopt;
    }
    PathString folder(needed, L'\0');
    const DWORD written = GetFullPathNameW(driveOnly, needed, folder.data(), nullptr);
    if (written == 0 || written >= needed) {
        return std::nullopt;
    }
    folder.resize(written);
    return folder;
}

// The length of the root of a full path: "X:\" (3) or "\\server\share\" (up to the separator after the
// share), 0 when the path has neither.
size_t RootLength(const PathString& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        return 3;
    }
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        const size_t server = path.find(L'\\', 2);
        if (server == PathString::npos) {
            return path.size();
        }
        const size_t share = path.find(L'\\', server + 1);
        return share == PathString::npos ? path.size() : share + 1;
    }
    return 0;
}

// Joins base and the relative text, then resolves "." and ".." by their text above the root.
PathString Resolve(const PathString& joined) {
    const size_t rootLength = RootLength(joined);
    PathString result = joined.substr(0, rootLength);
    if (!result.empty() && result.back() != L'\\') {
        result += L'\\';
    }
    std::vector<PathString> parts;
    size_t start = rootLength;
    const bool trailingSeparator = joined.size() > rootLength && joined.back() == L'\\';
    while (start < joined.size()) {
        size_t end = joined.find(L'\\', start);
        if (end == PathString::npos) {
            end = joined.size();
        }
        PathString part = joined.substr(start, end - start);
        if (part == L"..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != L".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    for (size_t index = 0; index < parts.size(); ++index) {
        if (index > 0) {
            result += L'\\';
        }
        result += parts[index];
    }
    if (trailingSeparator && !parts.empty()) {
        result += L'\\';
    }
    return result;
}

} // namespace

std::optional<PathString> MakeFullPath(PathView typed) {
    if (typed.empty()) {
        return std::nullopt;
    }
    PathString path(typed);
    if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return path;
    }
    for (wchar_t& unit : path) {
        if (unit == L'/') {
            unit = L'\\';
        }
    }
    PathString joined;
    if (RootLength(path) > 0) {
        joined = path;
    } else if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
        // "D:" or "D:notes": relative to that drive's current folder.
        const auto base = DriveFolder(path[0]);
        if (!base) {
            return std::nullopt;
        }
        joined = *base + L"\\" + path.substr(2);
    } else {
        const auto base = CurrentFolder();
        if (!base) {
            return std::nullopt;
        }
        if (path[0] == L'\\') {
            // "\notes": the root of the current folder's drive or share.
            joined = base->substr(0, RootLength(*base)) + path.substr(1);
        } else {
            joined = *base + L"\\" + path;
        }
    }
    return Resolve(joined);
}

PathString LongFormPath(const PathString& path) {
    if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return path;
    }
    const PathString full = MakeFullPath(path).value_or(path);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    if (full.size() >= 2 && full[1] == L':') {
        return L"\\\\?\\" + full;
    }
    return full;
}

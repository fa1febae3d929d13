// The tests' own file calls (see test_files.h): the C++ streams and the file-system library over the long
// form of each path, and the Windows listing calls where the C runtime does not take that form.
#include "test_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

fs::path Callable(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& text = path.native();
    if (text.starts_with(L"\\\\?\\")) {
        return path;
    }
    // Joined by text, not by GetFullPathNameW, which would drop a trailing dot or space from a name.
    std::wstring full = (path.is_absolute() ? path : fs::current_path() / path).lexically_normal().native();
    std::replace(full.begin(), full.end(), L'/', L'\\');
    return fs::path(L"\\\\?\\" + full);
#else
    return path;
#endif
}

bool WriteBytes(const fs::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(Callable(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool WriteBytes(const fs::path& path, std::string_view bytes) {
    return WriteBytes(path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::optional<std::string> ReadText(const fs::path& path) {
    std::ifstream in(Callable(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        return std::nullopt;
    }
    return text;
}

std::optional<Bytes> ReadBytes(const fs::path& path) {
    std::optional<std::string> text = ReadText(path);
    if (!text) {
        return std::nullopt;
    }
    return Bytes(text->begin(), text->end());
}

bool FileExists(const fs::path& path) {
#ifdef _WIN32
    return ::GetFileAttributesW(Callable(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
#endif
}

bool MakeFolder(const fs::path& path) {
    std::error_code error;
    fs::create_directories(Callable(path), error);
    return !error;
}

bool MakeReadOnly(const fs::path& path) {
#ifdef _WIN32
    return ::SetFileAttributesW(Callable(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
#else
    std::error_code error;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, error);
    return !error;
#endif
}

std::vector<PathString> ListNames(const fs::path& folder) {
    std::vector<PathString> names;
#ifdef _WIN32
    std::wstring pattern = Callable(folder).native();
    while (pattern.ends_with(L'\\')) {
        pattern.pop_back(); // the long form takes no doubled separator
    }
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((pattern + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
#else
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().native());
    }
#endif
    std::sort(names.begin(), names.end());
    return names;
}

std::string Utf8Name(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const PathString& name : ListNames(folder)) {
        names.push_back(Utf8Name(fs::path(name)));
    }
    std::sort(names.begin(), names.end());
    return names;
}

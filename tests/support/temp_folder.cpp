// Making and removing the tests' temporary folders (see temp_folder.h).
#include "temp_folder.h"

#include <atomic>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string UniqueName(std::string_view label) {
    static std::atomic<unsigned> serial{0};
    std::random_device seed;
    return "tolvane-" + std::string(label) + "-" + std::to_string(seed()) + "-" + std::to_string(serial++);
}

// Removes the tree through the long form of its path, giving write rights back where a test took them.
void RemoveTree(const fs::path& path) {
#ifdef _WIN32
    const std::wstring target = Callable(path).native();
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        for (const PathString& name : ListNames(path)) {
            RemoveTree(path / name);
        }
        ::RemoveDirectoryW(target.c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryW(target.c_str());
    } else {
        ::DeleteFileW(target.c_str());
    }
#else
    std::error_code ignored;
    if (fs::is_directory(fs::symlink_status(path, ignored))) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const PathString& name : ListNames(path)) {
            RemoveTree(path / name);
        }
    }
    fs::remove(path, ignored);
#endif
}

} // namespace

TempFolder::TempFolder(std::string_view label, const fs::path& base) {
    const fs::path under = base.empty() ? fs::temp_directory_path() : base;
    for (int attempt = 0; attempt < 10 && m_path.empty(); ++attempt) {
        const fs::path candidate = under / UniqueName(label);
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_root = candidate;
            m_path = candidate.native() + PathString(1, fs::path::preferred_separator);
        }
    }
    if (m_path.empty()) {
        throw std::runtime_error("cannot make a temporary folder below " + under.string());
    }
}

TempFolder::~TempFolder() {
    RemoveTree(m_root);
}

fs::path FastTempBase() {
#ifndef _WIN32
    std::error_code ignored;
    if (fs::is_directory("/dev/shm", ignored) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
#endif
    return fs::temp_directory_path();
}

// The one temporary folder of every test: a fresh folder that is removed with everything in it when the
// test is done, read-only files, folders without rights and paths beyond MAX_PATH included.
#pragma once

#include <filesystem>
#include <string_view>

#include "path_text.h"

class TempFolder {
public:
    // label goes into the folder's name, for whoever finds one left behind by a killed test; base is the
    // system's temporary folder when empty.
    explicit TempFolder(std::string_view label = "test", const std::filesystem::path& base = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in a separator, so that a name can be appended as text.
    const PathString& path() const { return m_path; }
    PathString operator/(PathView name) const { return m_path + PathString(name); }
    // The folder's path without the separator at the end.
    std::filesystem::path root() const { return m_root; }

private:
    std::filesystem::path m_root;
    PathString m_path;
};

// A memory file system where flushes cost nothing (/dev/shm), for tests that run hundreds of batches and
// are about process deaths, not about the disk; the system's temporary folder where there is none.
std::filesystem::path FastTempBase();

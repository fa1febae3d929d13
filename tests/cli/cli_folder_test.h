// The temporary folder every command-line test works in, with small helpers to fill and read it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "temp_folder.h"
#include "test_files.h"

namespace fs = std::filesystem;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class CliFolderTest : public ::testing::Test {
protected:
    void Write(const fs::path& relative, const std::string& content) {
        MakeFolder((root / relative).parent_path());
        WriteBytes(root / relative, content);
    }
    std::string Read(const fs::path& relative) const { return ReadText(root / relative).value_or(""); }
    // Every file below the root, by relative path, with its content.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file()) {
                files[fs::relative(entry.path(), root).string()] = Read(fs::relative(entry.path(), root));
            }
        }
        return files;
    }
    std::string At(const fs::path& relative) const { return (root / relative).string(); }
    // Every entry below the root, links included and not followed, by relative path.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            names.insert(entry.path().lexically_relative(root).string());
        }
        return names;
    }

    TempFolder folder{"cli"};
    fs::path root = folder.root();
};

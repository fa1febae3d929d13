// The temporary folder every command-line test works in, with small helpers to fill and read it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>

namespace fs = std::filesystem;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

class CliFolderTest : public ::testing::Test {
protected:
    CliFolderTest() {
        std::random_device seed;
        root = fs::temp_directory_path() / ("tolvane-cli-" + std::to_string(seed()));
        fs::create_directories(root);
    }
    ~CliFolderTest() override {
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }

    void Write(const fs::path& relative, const std::string& content) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << content;
    }
    std::string Read(const fs::path& relative) const {
        std::ifstream in(root / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
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

    fs::path root;
};

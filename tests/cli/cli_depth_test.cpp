// Trees of any depth through the real tolvane-cli under a low open-file limit: a chain of 10,000 folders
// with files at several depths (paths far beyond PATH_MAX) beside a folder of 3,000 files, both ways; and
// the true reason, counted, when the limit is lower than even a bounded walk needs.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "temp_folder.h"
#include "unique_handle.h"

namespace {

constexpr int kChainDepth = 10000;
constexpr int kWideFiles = 3000;

bool WriteAt(int folder, const std::string& name, const std::string& bytes) {
    FileHandle file(::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    return file && ::write(file.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// The plain files of the tree, by depth and name, and their bytes (read relative to each folder, since the
// paths are too long to open).
using TreeFiles = std::map<std::pair<int, std::string>, std::string>;

// root/chain/d/d/.../d with a file every 2,000 levels and at the bottom, and root/wide with 3,000 files.
bool MakeTree(const std::string& root, TreeFiles* files) {
    FileHandle folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::mkdirat(folder.get(), "wide", 0755) != 0 || ::mkdirat(folder.get(), "chain", 0755) != 0) {
        return false;
    }
    FileHandle wide(::openat(folder.get(), "wide", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int i = 0; i < kWideFiles; ++i) {
        const std::string number = std::to_string(i);
        const std::string name = std::string("w").append(number).append(".txt");
        const std::string bytes = std::string("wide ").append(number);
        if (!WriteAt(wide.get(), name, bytes)) {
            return false;
        }
        (*files)[{-1, name}] = bytes;
    }
    folder = FileHandle(::openat(folder.get(), "chain", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 1; depth <= kChainDepth; ++depth) {
        if (::mkdirat(folder.get(), "d", 0755) != 0) {
            return false;
        }
        folder = FileHandle(::openat(folder.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder) {
            return false;
        }
        if (depth % 2000 == 0 || depth == kChainDepth) {
            const std::string number = std::to_string(depth);
            const std::string name = std::string("at ").append(number).append(".txt");
            const std::string bytes = std::string("level ").append(number);
            if (!WriteAt(folder.get(), name, bytes)) {
                return false;
            }
            (*files)[{depth, name}] = bytes;
        }
    }
    return true;
}

// Names in each folder of the tree, by depth (-1: the wide folder), with the plain files' bytes.
struct TreeState {
    std::map<int, std::vector<std::string>> names;
    TreeFiles plain;
};

std::vector<std::string> NamesAt(int folder) {
    std::vector<std::string> names;
    FileHandle copy(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* listing = ::fdopendir(copy.release());
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "d") {
            names.push_back(name);
        }
    }
    ::closedir(listing);
    return names;
}

std::string ReadAt(int folder, const std::string& name) {
    FileHandle file(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC));
    std::string bytes(4096, '\0');
    const ssize_t got = file ? ::read(file.get(), bytes.data(), bytes.size()) : -1;
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

TreeState ReadTree(const std::string& root) {
    TreeState state;
    FileHandle folder(::open((root + "/wide").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const std::string& name : NamesAt(folder.get())) {
        state.names[-1].push_back(name);
        state.plain[{-1, name}] = ReadAt(folder.get(), name);
    }
    folder = FileHandle(::open((root + "/chain").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 1; folder && depth <= kChainDepth; ++depth) {
        folder = FileHandle(::openat(folder.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (const std::string& name : folder ? NamesAt(folder.get()) : std::vector<std::string>()) {
            state.names[depth].push_back(name);
            state.plain[{depth, name}] = ReadAt(folder.get(), name);
        }
    }
    return state;
}

int ContainerCount(const TreeState& state) {
    int count = 0;
    for (const auto& [depth, names] : state.names) {
        for (const std::string& name : names) {
            count += name.size() > 4 && name.compare(name.size() - 4, 4, ".ENC") == 0 ? 1 : 0;
        }
    }
    return count;
}

TEST(CliDepth, TenThousandLevelsBothWaysUnderALimitOf64OpenFiles) {
    TempFolder folder("depth");
    const std::string root = folder.root().string();
    TreeFiles files;
    ASSERT_TRUE(MakeTree(root, &files));
    const int total = static_cast<int>(files.size());

    const CliRun encrypted =
        RunCliAfterShell(CliPlace{}, "ulimit -n 64", {"-q", "--password-stdin", "encrypt", root}, "deep password\n");
    EXPECT_EQ(encrypted.exitCode, 0) << encrypted.output().substr(0, 2000);
    EXPECT_EQ(ContainerCount(ReadTree(root)), total) << "every file of every depth is a container";

    const CliRun decrypted =
        RunCliAfterShell(CliPlace{}, "ulimit -n 64", {"-q", "--password-stdin", "decrypt", root}, "deep password\n");
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.output().substr(0, 2000);
    EXPECT_TRUE(ReadTree(root).plain == files) << "every file came back under its name with its bytes";
}

// Below what even a bounded walk needs, the folders it cannot open fail with the true reason, counted,
// and the walk goes on with the rest.
TEST(CliDepth, ALimitBelowWhatTheWalkNeedsIsReportedWithItsReason) {
    TempFolder folder("depth");
    const std::string root = folder.root().string();
    FileHandle top(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(WriteAt(top.get(), "top.txt", "top"));
    std::string path = root;
    for (int depth = 1; depth <= 12; ++depth) {
        path += "/d";
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
        ASSERT_TRUE(WriteAt(FileHandle(::open(path.c_str(), O_RDONLY | O_DIRECTORY)).get(), "f.txt", "f"));
    }
    const CliRun run =
        RunCliAfterShell(CliPlace{}, "ulimit -n 9", {"--password-stdin", "encrypt", root}, "pass word\n");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output().find("too many open files"), std::string::npos) << run.output();
    EXPECT_NE(run.output().find("top_txt.ENC"), std::string::npos) << "the rest of the walk went on: " << run.output();
}

} // namespace

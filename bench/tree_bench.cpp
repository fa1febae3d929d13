// A tree of many small files encrypted and decrypted back by the batch walker, next to the same durable work
// done with standard tools: cp -r to a sibling, sync, rm -r of the original, and back. On a disk file
// system, since a flush per file is what costs here and tmpfs has nothing to flush.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "batch_walker.h"
#include "ratio_reporter.h"
#include "unique_handle.h"

extern char** environ;

namespace {

constexpr size_t DEFAULT_FILE_COUNT = 10000;
constexpr size_t FILES_PER_FOLDER = 100;
constexpr size_t MIN_FILE_SIZE = 1024;
constexpr size_t MAX_FILE_SIZE = 16 * 1024;
constexpr const char16_t* PASSWORD = u"tree benchmark";

size_t FileCountFromEnvironment() {
    const char* text = std::getenv("TOLVANE_BENCH_TREE_FILES");
    if (text == nullptr || *text == '\0') {
        return DEFAULT_FILE_COUNT;
    }
    const long long count = std::atoll(text);
    return count > 0 ? static_cast<size_t>(count) : DEFAULT_FILE_COUNT;
}

// Names of the file systems this is likely run on (ext2 and ext3 share the number of ext4); anything else
// by its magic number.
std::string FileSystemName(const std::filesystem::path& folder) {
    struct statfs info {};
    if (statfs(folder.c_str(), &info) != 0) {
        return "unknown";
    }
    const struct {
        unsigned long magic;
        const char* name;
    } known[] = {{0xEF53, "ext4"},      {0x01021994, "tmpfs"},   {0x858458F6, "ramfs"}, {0x58465342, "xfs"},
                 {0x9123683E, "btrfs"}, {0x794C7630, "overlay"}, {0x2FC12FC1, "zfs"},   {0x6969, "nfs"},
                 {0x65735546, "fuse"},  {0xF2F52010, "f2fs"}};
    for (const auto& entry : known) {
        if (static_cast<unsigned long>(info.f_type) == entry.magic) {
            return entry.name;
        }
    }
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(info.f_type));
    return std::string("magic ").append(hex);
}

bool InMemory(const std::string& fileSystem) {
    return fileSystem == "tmpfs" || fileSystem == "ramfs";
}

// $TMPDIR when it is on a disk, otherwise the build tree beside this program.
std::filesystem::path ChooseParentFolder() {
    const char* temporary = std::getenv("TMPDIR");
    if (temporary != nullptr && *temporary != '\0' && !InMemory(FileSystemName(temporary))) {
        return temporary;
    }
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

struct FileEntry {
    std::string relativePath;
    uintmax_t size = 0;
    bool operator==(const FileEntry&) const = default;
    bool operator<(const FileEntry& other) const { return relativePath < other.relativePath; }
};

// A folder removed with everything in it at the end, also when filling it failed part way.
class ScratchFolder {
public:
    explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The work folder with the plain tree, and what the tree should hold.
class SampleTree {
public:
    explicit SampleTree(size_t fileCount)
        : folder_(ChooseParentFolder() / std::string("tolvane-tree-bench-").append(std::to_string(getpid()))),
          fileSystem_(FileSystemName(folder_.Path())) {
        if (InMemory(fileSystem_)) {
            throw std::runtime_error(std::string("the tree would be on ").append(fileSystem_).append(", not a disk"));
        }
        // Sizes and contents from a fixed seed; each file's first bytes are its index, so no two are alike.
        std::mt19937 random(16);
        std::vector<uint32_t> block(MAX_FILE_SIZE / sizeof(uint32_t));
        for (uint32_t& word : block) {
            word = static_cast<uint32_t>(random());
        }
        std::uniform_int_distribution<size_t> sizes(MIN_FILE_SIZE, MAX_FILE_SIZE);
        for (size_t index = 0; index < fileCount; ++index) {
            char folder[32];
            std::snprintf(folder, sizeof folder, "folder-%03zu", index / FILES_PER_FOLDER);
            char name[32];
            std::snprintf(name, sizeof name, "file-%05zu.bin", index);
            if (index % FILES_PER_FOLDER == 0) {
                std::filesystem::create_directories(TreePath() / folder);
            }
            const FileEntry entry{std::string(folder).append("/").append(name), sizes(random)};
            block[0] = static_cast<uint32_t>(index);
            WriteFile(TreePath() / entry.relativePath, block.data(), entry.size);
            expected_.push_back(entry);
            bytes_ += entry.size;
        }
        std::sort(expected_.begin(), expected_.end());
    }

    std::filesystem::path TreePath() const { return folder_.Path() / "tree"; }
    std::filesystem::path CopyPath() const { return folder_.Path() / "tree.copy"; }
    const std::string& FileSystem() const { return fileSystem_; }
    size_t FileCount() const { return expected_.size(); }
    uint64_t Bytes() const { return bytes_; }

    // Names and sizes only: a lost, renamed, truncated or left-over file shows; contents are the engine
    // tests' business.
    bool IsIntact() const {
        std::error_code error;
        if (std::filesystem::exists(CopyPath(), error)) {
            return false;
        }
        std::vector<FileEntry> found;
        for (const auto& item : std::filesystem::recursive_directory_iterator(TreePath(), error)) {
            if (item.is_regular_file(error)) {
                found.push_back({item.path().lexically_relative(TreePath()).string(), item.file_size(error)});
            }
        }
        std::sort(found.begin(), found.end());
        return !error && found == expected_;
    }

private:
    static void WriteFile(const std::filesystem::path& path, const void* data, size_t size) {
        const FileHandle file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!file || write(file.get(), data, size) != static_cast<ssize_t>(size)) {
            throw std::system_error(errno, std::generic_category(), std::string("cannot write ").append(path.string()));
        }
    }

    ScratchFolder folder_;
    std::string fileSystem_;
    std::vector<FileEntry> expected_;
    uint64_t bytes_ = 0;
};

SampleTree* g_tree = nullptr;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool RunTool(std::vector<std::string> words) {
    std::vector<char*> arguments;
    for (std::string& word : words) {
        arguments.push_back(word.data());
    }
    arguments.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, arguments[0], nullptr, nullptr, arguments.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One way of the floor: the tree copied, made durable, and its source removed.
bool MoveWithTools(const std::filesystem::path& from, const std::filesystem::path& to) {
    return RunTool({"cp", "-r", from.string(), to.string()}) && RunTool({"sync"}) &&
           RunTool({"rm", "-r", from.string()});
}

void CopyFloor(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool moved = MoveWithTools(g_tree->TreePath(), g_tree->CopyPath()) &&
                           MoveWithTools(g_tree->CopyPath(), g_tree->TreePath());
        state.SetIterationTime(SecondsSince(start));
        if (!moved || !g_tree->IsIntact()) {
            state.SkipWithError("cp, sync or rm failed, or the tree is not back");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * g_tree->FileCount()));
}

// Counts what a pass converted; anything else is a failure here, since every file is one the mode takes.
class PassTally final : public BatchObserver {
public:
    void FileConverted(const PathString&, const ConvertResult& result) override {
        ++(result.outcome == ConvertOutcome::Converted ? converted : failed);
    }
    void FilePassedOver(const PathString&, PassOverReason) override { ++failed; }
    void FolderUnlistable(const PathString&, int) override { ++failed; }
    void SelectionItemUnreadable(const PathString&) override { ++failed; }

    size_t converted = 0;
    size_t failed = 0;
};

bool Pass(BatchMode mode) {
    const PathString selection = g_tree->TreePath().string();
    PassTally tally;
    return ProcessSelection(&selection, 1, mode, PASSWORD, &tally) == 1 && tally.failed == 0 &&
           tally.converted == g_tree->FileCount();
}

void RoundTrip(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool converted = Pass(BatchMode::Encrypt) && Pass(BatchMode::Decrypt);
        state.SetIterationTime(SecondsSince(start));
        if (!converted || !g_tree->IsIntact()) {
            state.SkipWithError("a pass failed, or the tree is not back");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * g_tree->FileCount()));
}

} // namespace

int main(int argc, char** argv) try {
    if (!InitializeBenchmarks(argc, argv)) {
        return 2;
    }
    SampleTree tree(FileCountFromEnvironment());
    g_tree = &tree;
    // The tree's own writeback is not the first case's to pay.
    if (!RunTool({"sync"})) {
        std::fprintf(stderr, "sync failed\n");
        return 1;
    }
    std::printf("%zu files of %zu to %zu KiB (%.1f MiB) in folders of %zu, on %s: %s\n", tree.FileCount(),
                MIN_FILE_SIZE / 1024, MAX_FILE_SIZE / 1024, static_cast<double>(tree.Bytes()) / (1 << 20),
                FILES_PER_FOLDER, tree.FileSystem().c_str(), tree.TreePath().c_str());
    std::fflush(stdout);
    benchmark::RegisterBenchmark("tree/cp_sync", CopyFloor)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("tree/round_trip", RoundTrip)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    return RunBenchmarksWithRatios("cp_sync");
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
}

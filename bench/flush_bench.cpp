// Ways to make a batch of 64 small new files durable on a disk file system, the choice behind the engine's
// batch flush (fs/output_batch_posix.cpp): an fsync of each, the write-back of all started
// (sync_file_range) before an fsync or fdatasync of each, and one syncfs of the file system. Each file is
// written without a name (O_TMPFILE), as the engine's outputs are, and freed untimed after each run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "unique_handle.h"

namespace {

constexpr size_t BATCH_FILES = 64;
constexpr size_t MIN_FILE_SIZE = 1024;
constexpr size_t MAX_FILE_SIZE = 16 * 1024;
constexpr long TMPFS_MAGIC_NUMBER = 0x01021994;

// $TMPDIR when it is on a disk, otherwise the build tree beside this program: tmpfs flushes nothing.
std::filesystem::path DiskFolder() {
    const char* temporary = std::getenv("TMPDIR");
    struct statfs info {};
    if (temporary != nullptr && *temporary != '\0' && statfs(temporary, &info) == 0 &&
        info.f_type != TMPFS_MAGIC_NUMBER) {
        return temporary;
    }
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

FileHandle g_folder;

enum class Way { FsyncEach, StartAllThenFsyncEach, StartAllThenFdatasyncEach, OneSyncfs };

std::vector<FileHandle> WriteBatch() {
    static const std::vector<char> bytes(MAX_FILE_SIZE, 'x');
    std::vector<FileHandle> files;
    for (size_t index = 0; index < BATCH_FILES; ++index) {
        FileHandle file(openat(g_folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        const size_t size = MIN_FILE_SIZE + index * (MAX_FILE_SIZE - MIN_FILE_SIZE) / BATCH_FILES;
        if (!file || write(file.get(), bytes.data(), size) != static_cast<ssize_t>(size)) {
            throw std::runtime_error("cannot write a file of the batch");
        }
        files.push_back(std::move(file));
    }
    return files;
}

bool Flush(Way way, const std::vector<FileHandle>& files) {
    bool flushed = true;
    if (way == Way::StartAllThenFsyncEach || way == Way::StartAllThenFdatasyncEach) {
        for (const FileHandle& file : files) {
            sync_file_range(file.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
        }
    }
    if (way == Way::OneSyncfs) {
        return syncfs(files.front().get()) == 0;
    }
    for (const FileHandle& file : files) {
        flushed = (way == Way::StartAllThenFdatasyncEach ? fdatasync(file.get()) : fsync(file.get())) == 0 && flushed;
    }
    return flushed;
}

void FlushBatch(benchmark::State& state, Way way) {
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<FileHandle> files = WriteBatch();
        state.ResumeTiming();
        if (!Flush(way, files)) {
            state.SkipWithError("a flush failed");
            break;
        }
        state.PauseTiming();
        files.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * BATCH_FILES));
}

} // namespace

int main(int argc, char** argv) try {
    if (!InitializeBenchmarks(argc, argv)) {
        return 2;
    }
    const std::filesystem::path folder = DiskFolder();
    g_folder = FileHandle(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!g_folder) {
        throw std::runtime_error(std::string("cannot open ").append(folder.string()));
    }
    std::printf("batches of %zu files of %zu to %zu KiB, in %s\n", BATCH_FILES, MIN_FILE_SIZE / 1024,
                MAX_FILE_SIZE / 1024, folder.c_str());
    std::fflush(stdout);
    const struct {
        const char* name;
        Way way;
    } cases[] = {{"flush/fsync_each", Way::FsyncEach},
                 {"flush/start_all_fsync_each", Way::StartAllThenFsyncEach},
                 {"flush/start_all_fdatasync_each", Way::StartAllThenFdatasyncEach},
                 {"flush/one_syncfs", Way::OneSyncfs}};
    for (const auto& item : cases) {
        benchmark::RegisterBenchmark(item.name, FlushBatch, item.way)
            ->Iterations(20)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return RunBenchmarksWithRatios("fsync_each");
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
}

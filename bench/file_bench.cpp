// Whole-file encrypt and decrypt of a 512 MiB file on tmpfs next to cp of it (and cp plus removal of the
// source), flush included; each conversion is undone untimed, so every run starts from the plain file.
// The round trip, encrypt then decrypt, is set against two copies by cp in the same run, and against the
// same two copies each followed by removing the file it was made from, as a conversion does.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "container.h"
#include "enc_format.h"
#include "ratio_reporter.h"

extern char** environ;

namespace {

constexpr size_t FILE_SIZE = size_t{512} << 20;
constexpr const char16_t* PASSWORD = u"file benchmark";

// The work folder on tmpfs with the plain sample file; removed with everything in it at the end.
class SampleFolder {
public:
    SampleFolder() : folder_("/dev/shm/tolvane-file-bench-" + std::to_string(getpid())) {
        std::filesystem::create_directories(folder_);
        // One random chunk, varied per chunk by its index: the cipher does not care, and it is quick.
        std::vector<uint32_t> chunk(ENC_CHUNK_SIZE / sizeof(uint32_t));
        std::mt19937 random(512);
        for (uint32_t& word : chunk) {
            word = static_cast<uint32_t>(random());
        }
        std::FILE* file = std::fopen(PlainPath().c_str(), "wb");
        if (file == nullptr) {
            throw std::system_error(errno, std::generic_category(), "cannot create " + PlainPath());
        }
        bool complete = true;
        for (uint32_t index = 0; index < FILE_SIZE / ENC_CHUNK_SIZE; ++index) {
            chunk[0] = index;
            complete = complete && std::fwrite(chunk.data(), 1, ENC_CHUNK_SIZE, file) == ENC_CHUNK_SIZE;
        }
        if (std::fclose(file) != 0 || !complete) {
            throw std::system_error(errno, std::generic_category(), "cannot write " + PlainPath());
        }
    }
    ~SampleFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    std::string PlainPath() const { return (folder_ / "sample.bin").string(); }
    std::string CopyPath() const { return (folder_ / "copy.bin").string(); }

private:
    std::filesystem::path folder_;
};

SampleFolder* g_sample = nullptr;

using Clock = std::chrono::steady_clock;

// A virtual machine may hand memory freed for a few seconds back to its host, and the first touch of such
// a page then costs several times a copy of it: a cp of 512 MiB measured 0.22 s right after another and
// 0.5 to 1.4 s after a pause of 3 s. So before each timed run the memory that the most demanding case
// holds at once (three copies of the file) is touched and freed again; every case then starts on memory
// the machine already has, as a busy desktop does.
Clock::time_point StartOnBackedMemory() {
    constexpr size_t bytes = 3 * FILE_SIZE;
    void* touched = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (touched != MAP_FAILED) {
        munmap(touched, bytes);
    }
    return Clock::now();
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool CopyWithCp(const std::string& from, const std::string& to) {
    std::string program = "cp";
    std::vector<char*> arguments{program.data(), const_cast<char*>(from.c_str()), const_cast<char*>(to.c_str()),
                                 nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "cp", nullptr, nullptr, arguments.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return false;
    }
    const int copy = open(to.c_str(), O_RDONLY);
    const bool flushed = copy >= 0 && fsync(copy) == 0;
    if (copy >= 0) {
        close(copy);
    }
    return flushed;
}

// What a conversion does besides the cipher: the copy takes the place of the file it was made from.
bool CopyAndRemoveSource(const std::string& from, const std::string& to) {
    return CopyWithCp(from, to) && std::filesystem::remove(from);
}

void CopyFile(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        if (!CopyWithCp(g_sample->PlainPath(), g_sample->CopyPath())) {
            state.SkipWithError("cp failed");
            break;
        }
        state.SetIterationTime(SecondsSince(start));
        std::filesystem::remove(g_sample->CopyPath());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
}

// Shown because deleting 512 MiB on tmpfs costs a good part of a copy; the copy takes the source's
// place again untimed.
void CopyFileAndRemoveSource(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        if (!CopyAndRemoveSource(g_sample->PlainPath(), g_sample->CopyPath())) {
            state.SkipWithError("cp or rm failed");
            break;
        }
        state.SetIterationTime(SecondsSince(start));
        std::filesystem::rename(g_sample->CopyPath(), g_sample->PlainPath());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
}

// The container takes its name from the plain file; the engine says which name it chose.
PathString EncryptSample(benchmark::State& state) {
    const ConvertResult result = EncryptToContainer(g_sample->PlainPath().c_str(), PASSWORD);
    if (result.outcome != ConvertOutcome::Converted) {
        state.SkipWithError(("encrypt failed, outcome " + std::to_string(static_cast<int>(result.outcome))).c_str());
        return {};
    }
    return result.outputPath;
}

bool DecryptSample(benchmark::State& state, const PathString& containerPath) {
    const ConvertResult result = DecryptFromContainer(containerPath.c_str(), PASSWORD);
    if (result.outcome != ConvertOutcome::Converted || result.outputPath != g_sample->PlainPath()) {
        state.SkipWithError(("decrypt failed, outcome " + std::to_string(static_cast<int>(result.outcome))).c_str());
        return false;
    }
    return true;
}

void EncryptWholeFile(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        const PathString containerPath = EncryptSample(state);
        state.SetIterationTime(SecondsSince(start));
        if (containerPath.empty() || !DecryptSample(state, containerPath)) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
}

void DecryptWholeFile(benchmark::State& state) {
    for (auto _ : state) {
        const PathString containerPath = EncryptSample(state);
        if (containerPath.empty()) {
            break;
        }
        const Clock::time_point start = StartOnBackedMemory();
        const bool decrypted = DecryptSample(state, containerPath);
        state.SetIterationTime(SecondsSince(start));
        if (!decrypted) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
}

// The round trip as a user makes it, encrypt and then decrypt, next to the same two copies by cp.
void CopyThereAndBack(benchmark::State& state) {
    const std::string back = g_sample->CopyPath() + ".back";
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        if (!CopyWithCp(g_sample->PlainPath(), g_sample->CopyPath()) || !CopyWithCp(g_sample->CopyPath(), back)) {
            state.SkipWithError("cp failed");
            break;
        }
        state.SetIterationTime(SecondsSince(start));
        std::filesystem::remove(g_sample->CopyPath());
        std::filesystem::remove(back);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

// The same durable work as the round trip, by cp and rm.
void CopyThereAndBackRemovingEach(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        if (!CopyAndRemoveSource(g_sample->PlainPath(), g_sample->CopyPath()) ||
            !CopyAndRemoveSource(g_sample->CopyPath(), g_sample->PlainPath())) {
            state.SkipWithError("cp or rm failed");
            break;
        }
        state.SetIterationTime(SecondsSince(start));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

void RoundTrip(benchmark::State& state) {
    for (auto _ : state) {
        const Clock::time_point start = StartOnBackedMemory();
        const PathString containerPath = EncryptSample(state);
        const bool back = !containerPath.empty() && DecryptSample(state, containerPath);
        state.SetIterationTime(SecondsSince(start));
        if (!back) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * FILE_SIZE));
}

} // namespace

int main(int argc, char** argv) {
    if (!InitializeBenchmarks(argc, argv)) {
        return 2;
    }
    SampleFolder sample;
    g_sample = &sample;
    struct Entry {
        const char* name;
        void (*function)(benchmark::State&);
    };
    for (const Entry& entry :
         {Entry{"file/cp", CopyFile}, Entry{"file/cp_rm", CopyFileAndRemoveSource},
          Entry{"file/encrypt", EncryptWholeFile}, Entry{"file/decrypt", DecryptWholeFile},
          Entry{"round_trip/cp", CopyThereAndBack}, Entry{"round_trip/cp_rm", CopyThereAndBackRemovingEach},
          Entry{"round_trip/tolvane", RoundTrip}}) {
        benchmark::RegisterBenchmark(entry.name, entry.function)
            ->UseManualTime()
            ->Iterations(2)
            ->Unit(benchmark::kMillisecond);
    }
    return RunBenchmarksWithRatios("cp");
}

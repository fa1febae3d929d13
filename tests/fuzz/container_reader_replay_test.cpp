// Replays, as an ordinary test in every native build, the inputs that once broke the container reader
// (tests/fuzz/regressions/) and the whole seed corpus, through the same checks the fuzz target makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "container_reader_harness.h"
#include "fuzz_seeds.h"

#ifndef TOLVANE_FUZZ_REGRESSIONS
#error "TOLVANE_FUZZ_REGRESSIONS must name the folder of saved inputs"
#endif

namespace {

namespace fs = std::filesystem;

int ReplayFolder(const fs::path& folder) {
    int replayed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ReadContainerInput(input.data(), input.size());
        ++replayed;
    }
    return replayed;
}

TEST(ContainerReaderReplay, SavedInputsPassEveryCheck) {
    int saved = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(TOLVANE_FUZZ_REGRESSIONS)) {
        saved += entry.is_regular_file() && entry.path().filename().string().front() != '.' ? 1 : 0;
    }
    if (saved == 0) {
        GTEST_SKIP() << "no input has broken the reader yet: " << TOLVANE_FUZZ_REGRESSIONS << " holds none";
    }
    EXPECT_EQ(ReplayFolder(TOLVANE_FUZZ_REGRESSIONS), saved);
}

TEST(ContainerReaderReplay, SeedCorpusPassesEveryCheck) {
    std::string pattern = fs::temp_directory_path().string() + "/tolvane-seeds-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const int written = WriteSeedCorpus(pattern + "/");
    EXPECT_GT(written, 40);
    EXPECT_EQ(ReplayFolder(pattern), written);
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
}

} // namespace

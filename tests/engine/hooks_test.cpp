// The engine's hooks: the progress sequence of both directions and the wrong-password notice.
#include <gtest/gtest.h>

#include "conversion_hooks.h"
#include "engine_test_files.h"

namespace {

struct ProgressCall {
    bool hasName;
    PathString name;
    uint64_t total;
    uint64_t chunk;
};

void RecordProgress(void* calls, const PathChar* name, uint64_t total, uint64_t chunk) {
    static_cast<std::vector<ProgressCall>*>(calls)->push_back(
        {name != nullptr, name != nullptr ? PathString(name) : PathString(), total, chunk});
}

// One start call with the path and the length, then chunk calls of up to 1 MiB adding up to expectedSum.
void ExpectSequence(const std::vector<ProgressCall>& calls, const PathString& path, uint64_t length,
                    uint64_t expectedSum) {
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls[0].hasName);
    EXPECT_EQ(calls[0].name, path);
    EXPECT_EQ(calls[0].total, length);
    EXPECT_EQ(calls[0].chunk, 0u);
    uint64_t sum = 0;
    for (size_t index = 1; index < calls.size(); ++index) {
        EXPECT_FALSE(calls[index].hasName);
        EXPECT_EQ(calls[index].total, 0u);
        EXPECT_GE(calls[index].chunk, 1u);
        EXPECT_LE(calls[index].chunk, ENC_CHUNK_SIZE);
        sum += calls[index].chunk;
    }
    EXPECT_EQ(sum, expectedSum);
}

TEST(Hooks, ProgressStartThenChunks) {
    TempFolder folder;
    const uint64_t length = 2 * ENC_CHUNK_SIZE + 5;
    ASSERT_TRUE(WriteBytes(folder / P("p.bin"), PatternBytes(length)));
    std::vector<ProgressCall> calls;
    SetProgressHook(RecordProgress, &calls);

    ASSERT_EQ(EncryptOneFile((folder / P("p.bin")).c_str(), kTestPassword), 1);
    ExpectSequence(calls, folder / P("p.bin"), length, length);
    EXPECT_EQ(calls.size(), 4u);

    calls.clear();
    const uint64_t containerLength = 528 + length + 11;
    ASSERT_EQ(DecryptOneFile((folder / P("p_bin.ENC")).c_str(), kTestPassword), 1);
    ExpectSequence(calls, folder / P("p_bin.ENC"), containerLength, containerLength - 528);

    // A wrong password still gets its start call, and no chunk call.
    calls.clear();
    ASSERT_EQ(EncryptOneFile((folder / P("p.bin")).c_str(), kTestPassword), 1);
    ASSERT_EQ(DecryptOneFile((folder / P("p_bin.ENC")).c_str(), U("wrong")), 0);
    ASSERT_EQ(calls.size(), 5u);
    ExpectSequence(std::vector<ProgressCall>(calls.begin() + 4, calls.end()), folder / P("p_bin.ENC"), containerLength,
                   0);
    SetProgressHook(nullptr, nullptr);

    // Without a hook the engine runs all the same.
    ASSERT_EQ(DecryptOneFile((folder / P("p_bin.ENC")).c_str(), kTestPassword), 1);
}

TEST(Hooks, WrongPasswordIsToldOnceAndCreatesNothing) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / P("w.txt"), PatternBytes(3000)));
    ASSERT_EQ(EncryptOneFile((folder / P("w.txt")).c_str(), kTestPassword), 1);
    const auto container = ReadBytes(folder / P("w_txt.ENC"));
    g_szRestoredName[0] = 'z';
    g_szRestoredName[1] = 0;

    std::vector<PathString> told;
    SetWrongPasswordHook(
        [](void* list, const PathChar* path) { static_cast<std::vector<PathString>*>(list)->push_back(path); }, &told);
    const ConvertResult result = DecryptFromContainer((folder / P("w_txt.ENC")).c_str(), U("correct horsf"));
    // A file that only looks like a container is told the same way.
    ASSERT_TRUE(WriteBytes(folder / P("fake.ENC"), PatternBytes(600)));
    EXPECT_EQ(DecryptOneFile((folder / P("fake.ENC")).c_str(), kTestPassword), 0);
    SetWrongPasswordHook(nullptr, nullptr);

    EXPECT_EQ(result.outcome, ConvertOutcome::WrongPassword);
    EXPECT_TRUE(result.outputPath.empty());
    EXPECT_EQ(told, (std::vector<PathString>{folder / P("w_txt.ENC"), folder / P("fake.ENC")}));
    EXPECT_EQ(ListNames(folder.path()), (std::vector<PathString>{P("fake.ENC"), P("w_txt.ENC")}));
    EXPECT_EQ(ReadBytes(folder / P("w_txt.ENC")), container);
    EXPECT_EQ(Utf16View(g_szRestoredName), U("z"));
}

} // namespace

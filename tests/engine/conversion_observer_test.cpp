// What a conversion tells its observer: the progress sequence of both directions, the wrong-password
// notice and a stop; and that each conversion tells only its own observer, even one made during another.
#include <gtest/gtest.h>

#include "enc_format.h"
#include "engine_test_files.h"

namespace {

struct ProgressCall {
    bool started;
    PathString name;
    uint64_t total;
    uint64_t chunk;
};

// Everything one conversion told it. Asks to stop from its stopAtQuestion-th StopRequested on (never when
// 0), and runs duringFirstChunk, if set, at the first chunk.
class Recorder final : public ConversionObserver {
public:
    void FileStarted(const PathString& path, uint64_t totalBytes) override {
        calls.push_back({true, path, totalBytes, 0});
    }
    void ChunkDone(uint64_t bytes) override {
        calls.push_back({false, PathString(), 0, bytes});
        if (duringFirstChunk) {
            std::exchange(duringFirstChunk, nullptr)();
        }
    }
    void WrongPassword(const PathString& containerPath) override { wrongPasswords.push_back(containerPath); }
    bool StopRequested() override { return stopAtQuestion != 0 && ++questions >= stopAtQuestion; }

    std::vector<ProgressCall> calls;
    std::vector<PathString> wrongPasswords;
    int stopAtQuestion = 0;
    int questions = 0;
    std::function<void()> duringFirstChunk;
};

// One start call with the path and the length, then chunk calls of up to 1 MiB adding up to expectedSum.
void ExpectSequence(const std::vector<ProgressCall>& calls, const PathString& path, uint64_t length,
                    uint64_t expectedSum) {
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls[0].started);
    EXPECT_EQ(calls[0].name, path);
    EXPECT_EQ(calls[0].total, length);
    uint64_t sum = 0;
    for (size_t index = 1; index < calls.size(); ++index) {
        EXPECT_FALSE(calls[index].started);
        EXPECT_GE(calls[index].chunk, 1u);
        EXPECT_LE(calls[index].chunk, ENC_CHUNK_SIZE);
        sum += calls[index].chunk;
    }
    EXPECT_EQ(sum, expectedSum);
}

TEST(ConversionObserver, ProgressStartThenChunks) {
    TempFolder folder;
    const uint64_t length = 2 * ENC_CHUNK_SIZE + 5;
    ASSERT_TRUE(WriteBytes(folder / P("p.bin"), PatternBytes(length)));

    Recorder encrypting;
    ASSERT_EQ(EncryptToContainer((folder / P("p.bin")).c_str(), kTestPassword, &encrypting).outcome,
              ConvertOutcome::Converted);
    ExpectSequence(encrypting.calls, folder / P("p.bin"), length, length);
    EXPECT_EQ(encrypting.calls.size(), 4u);

    Recorder decrypting;
    const uint64_t containerLength = 528 + length + 11;
    ASSERT_EQ(DecryptFromContainer((folder / P("p_bin.ENC")).c_str(), kTestPassword, &decrypting).outcome,
              ConvertOutcome::Converted);
    ExpectSequence(decrypting.calls, folder / P("p_bin.ENC"), containerLength, containerLength - 528);

    // A wrong password still gets its start call, and no chunk call.
    ASSERT_EQ(EncryptOneFile((folder / P("p.bin")).c_str(), kTestPassword), 1);
    Recorder wrong;
    ASSERT_EQ(DecryptFromContainer((folder / P("p_bin.ENC")).c_str(), U("wrong"), &wrong).outcome,
              ConvertOutcome::WrongPassword);
    ASSERT_EQ(wrong.calls.size(), 1u);
    ExpectSequence(wrong.calls, folder / P("p_bin.ENC"), containerLength, 0);

    // Without an observer the engine runs all the same.
    ASSERT_EQ(DecryptOneFile((folder / P("p_bin.ENC")).c_str(), kTestPassword), 1);
}

TEST(ConversionObserver, WrongPasswordIsToldOnceAndCreatesNothing) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / P("w.txt"), PatternBytes(3000)));
    ASSERT_EQ(EncryptOneFile((folder / P("w.txt")).c_str(), kTestPassword), 1);
    const auto container = ReadBytes(folder / P("w_txt.ENC"));

    Recorder observer;
    const ConvertResult result = DecryptFromContainer((folder / P("w_txt.ENC")).c_str(), U("correct horsf"), &observer);
    // A file that only looks like a container is told the same way.
    ASSERT_TRUE(WriteBytes(folder / P("fake.ENC"), PatternBytes(600)));
    EXPECT_EQ(DecryptFromContainer((folder / P("fake.ENC")).c_str(), kTestPassword, &observer).outcome,
              ConvertOutcome::WrongPassword);

    EXPECT_EQ(result.outcome, ConvertOutcome::WrongPassword);
    EXPECT_TRUE(result.outputPath.empty());
    EXPECT_EQ(observer.wrongPasswords, (std::vector<PathString>{folder / P("w_txt.ENC"), folder / P("fake.ENC")}));
    EXPECT_EQ(ListNames(folder.path()), (std::vector<PathString>{P("fake.ENC"), P("w_txt.ENC")}));
    EXPECT_EQ(ReadBytes(folder / P("w_txt.ENC")), container);
}

// A stop asked for at the first chunk or just before the output is finished leaves the disk as it was.
TEST(ConversionObserver, StopLeavesTheSourceAsItWas) {
    struct Row {
        const char* name;
        bool decrypt;
        int stopAtQuestion; // the file has 3 chunks: questions 1 to 3 follow them, the 4th comes before finishing
    };
    const Row rows[] = {
        {"encrypt, first chunk", false, 1},
        {"encrypt, before finishing", false, 4},
        {"decrypt, first chunk", true, 1},
        {"decrypt, before finishing", true, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / P("s.bin"), PatternBytes(2 * ENC_CHUNK_SIZE + 5)));
        if (row.decrypt) {
            ASSERT_EQ(EncryptOneFile((folder / P("s.bin")).c_str(), kTestPassword), 1);
        }
        const PathString name = row.decrypt ? P("s_bin.ENC") : P("s.bin");
        const PathString source = folder / name;
        const auto before = ReadBytes(source);
        Recorder observer;
        observer.stopAtQuestion = row.stopAtQuestion;
        const ConvertResult result = row.decrypt ? DecryptFromContainer(source.c_str(), kTestPassword, &observer)
                                                 : EncryptToContainer(source.c_str(), kTestPassword, &observer);
        EXPECT_EQ(result.outcome, ConvertOutcome::Interrupted);
        EXPECT_EQ(observer.questions, row.stopAtQuestion);
        EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{name});
        EXPECT_EQ(ReadBytes(source), before);
    }
}

// A conversion started from within another one's progress report (as a second batch on another thread
// may be at any moment): each observer hears only its own conversion, and only its own stop counts.
TEST(ConversionObserver, EachConversionTellsOnlyItsOwnObserver) {
    struct Row {
        const char* name;
        bool innerDecrypts;
        const Utf16Char* innerPassword;
        bool innerStops;
        ConvertOutcome innerOutcome;
    };
    const Row rows[] = {
        {"inner encrypts", false, kTestPassword, false, ConvertOutcome::Converted},
        {"inner meets a wrong password", true, U("wrong"), false, ConvertOutcome::WrongPassword},
        {"inner is stopped", false, kTestPassword, true, ConvertOutcome::Interrupted},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const uint64_t outerLength = 2 * ENC_CHUNK_SIZE + 5;
        const uint64_t innerLength = ENC_CHUNK_SIZE + 7;
        ASSERT_TRUE(WriteBytes(folder / P("outer.bin"), PatternBytes(outerLength)));
        ASSERT_TRUE(WriteBytes(folder / P("inner.bin"), PatternBytes(innerLength, 2)));
        PathString inner = folder / P("inner.bin");
        uint64_t innerSourceLength = innerLength;
        if (row.innerDecrypts) {
            inner = EncryptToContainer(inner.c_str(), kTestPassword).outputPath;
            innerSourceLength = 528 + innerLength + 9;
        }

        Recorder outerObserver;
        Recorder innerObserver;
        innerObserver.stopAtQuestion = row.innerStops ? 1 : 0;
        ConvertResult innerResult;
        outerObserver.duringFirstChunk = [&] {
            innerResult = row.innerDecrypts ? DecryptFromContainer(inner.c_str(), row.innerPassword, &innerObserver)
                                            : EncryptToContainer(inner.c_str(), row.innerPassword, &innerObserver);
        };
        const ConvertResult outerResult =
            EncryptToContainer((folder / P("outer.bin")).c_str(), kTestPassword, &outerObserver);

        EXPECT_EQ(outerResult.outcome, ConvertOutcome::Converted);
        ExpectSequence(outerObserver.calls, folder / P("outer.bin"), outerLength, outerLength);
        EXPECT_TRUE(outerObserver.wrongPasswords.empty());
        EXPECT_EQ(innerResult.outcome, row.innerOutcome);
        ASSERT_FALSE(innerObserver.calls.empty());
        EXPECT_EQ(innerObserver.calls[0].name, inner);
        EXPECT_EQ(innerObserver.calls[0].total, innerSourceLength);
        EXPECT_EQ(innerObserver.wrongPasswords, row.innerOutcome == ConvertOutcome::WrongPassword
                                                    ? std::vector<PathString>{inner}
                                                    : std::vector<PathString>{});
    }
}

} // namespace

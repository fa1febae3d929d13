// Every way a conversion can fail, forced through the file layer's faults, leaves the disk as it was: the
// source intact, no temporary file, nothing under a final name. Only the two converted outcomes leave an
// output, and then a complete one.
#include <gtest/gtest.h>

#include "enc_format.h"
#include "engine_test_files.h"
#include "path_parts.h"
#include "temp_files.h"
#include "fault_injection.h"
#include "system_error.h"

#ifdef _WIN32
#include <windows.h>

#include "full_path.h"
#else
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Names = std::vector<PathString>;

constexpr size_t kPlainLength = 2 * ENC_CHUNK_SIZE + 100; // three chunks
// Long enough to be written on a thread of its own while the next pieces are read.
constexpr size_t kOverlappedLength = 6 * ENC_CHUNK_SIZE + 100;
constexpr size_t kLengths[] = {kPlainLength, kOverlappedLength};

struct FaultRow {
    const char* what;
    FileOp op;
    uint64_t nth;
    FaultAction action;
    ConvertOutcome outcome;
    bool repeat = false;
};

bool Converted(ConvertOutcome outcome) {
    return outcome == ConvertOutcome::Converted || outcome == ConvertOutcome::ConvertedSourceKept;
}

// A failed write says why (a full disk), even when it failed on another thread than the reads.
void ExpectTheCauseIsCarried(const FaultRow& row, const ConvertResult& result) {
    if (row.op == FileOp::Write && row.action == FaultAction::Fail) {
        EXPECT_FALSE(SystemErrorText(result.systemError).empty());
    }
}

TEST(Failures, EncryptLeavesTheDiskAsStated) {
    const FaultRow rows[] = {
        {"source cannot be opened", FileOp::OpenSource, 1, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"no memory for the buffer", FileOp::AllocateBuffer, 1, FaultAction::Fail, ConvertOutcome::OutOfMemory},
        {"output cannot be created", FileOp::CreateTemp, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"header written short", FileOp::Write, 1, FaultAction::Short, ConvertOutcome::OutputFailed},
        {"header write fails", FileOp::Write, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"first chunk read fails", FileOp::Read, 1, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"second chunk read fails", FileOp::Read, 2, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"first chunk write fails (disk full)", FileOp::Write, 2, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"third chunk written short", FileOp::Write, 4, FaultAction::Short, ConvertOutcome::OutputFailed},
        {"metadata cannot be passed on", FileOp::PassOnMetadata, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"flush fails", FileOp::Flush, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"move into place fails", FileOp::Rename, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"new name not durable", FileOp::SyncFolder, 1, FaultAction::Fail, ConvertOutcome::ConvertedSourceKept},
        {"source deletion fails", FileOp::DeleteSource, 1, FaultAction::Fail, ConvertOutcome::ConvertedSourceKept},
        {"every read short", FileOp::Read, 1, FaultAction::Short, ConvertOutcome::Converted, true},
    };
    for (const size_t length : kLengths)
        for (const FaultRow& row : rows) {
            SCOPED_TRACE(std::string(row.what) + ", " + std::to_string(length) + " bytes");
            const Bytes plain = PatternBytes(length);
            TempFolder folder;
            ASSERT_TRUE(WriteBytes(folder / P("plain.txt"), plain));
            ConvertResult result;
            {
                FaultScope fault(row.op, row.nth, row.action, row.repeat);
                result = EncryptToContainer((folder / P("plain.txt")).c_str(), kTestPassword);
            }
            EXPECT_EQ(result.outcome, row.outcome);
            ExpectTheCauseIsCarried(row, result);
            EXPECT_EQ(EncryptOneFile(P(""), kTestPassword), 0);
            if (!Converted(row.outcome)) {
                EXPECT_TRUE(result.outputPath.empty());
                EXPECT_EQ(ListNames(folder.path()), Names{P("plain.txt")});
                EXPECT_EQ(ReadBytes(folder / P("plain.txt")), plain);
                continue;
            }
            EXPECT_EQ(result.outputPath, folder / P("plain_txt.ENC"));
            if (row.outcome == ConvertOutcome::ConvertedSourceKept) {
                EXPECT_EQ(ListNames(folder.path()), (Names{P("plain.txt"), P("plain_txt.ENC")}));
                EXPECT_EQ(ReadBytes(folder / P("plain.txt")), plain);
            }
            // The output is complete: it decrypts to the plain data.
            TempFolder check;
            ASSERT_TRUE(WriteBytes(check / P("c.ENC"), *ReadBytes(result.outputPath)));
            ASSERT_EQ(DecryptOneFile((check / P("c.ENC")).c_str(), kTestPassword), 1);
            EXPECT_EQ(ReadBytes(check / P("plain.txt")), plain);
        }
}

TEST(Failures, DecryptLeavesTheDiskAsStated) {
    const FaultRow rows[] = {
        {"container cannot be opened", FileOp::OpenSource, 1, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"header read fails", FileOp::Read, 1, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"no memory for the buffer", FileOp::AllocateBuffer, 1, FaultAction::Fail, ConvertOutcome::OutOfMemory},
        {"output cannot be created", FileOp::CreateTemp, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"first chunk read fails", FileOp::Read, 2, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"third chunk read fails", FileOp::Read, 4, FaultAction::Fail, ConvertOutcome::SourceUnreadable},
        {"first chunk write fails (disk full)", FileOp::Write, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"second chunk written short", FileOp::Write, 2, FaultAction::Short, ConvertOutcome::OutputFailed},
        {"metadata cannot be passed on", FileOp::PassOnMetadata, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"flush fails", FileOp::Flush, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"move into place fails", FileOp::Rename, 1, FaultAction::Fail, ConvertOutcome::OutputFailed},
        {"new name not durable", FileOp::SyncFolder, 1, FaultAction::Fail, ConvertOutcome::ConvertedSourceKept},
        {"container deletion fails", FileOp::DeleteSource, 1, FaultAction::Fail, ConvertOutcome::ConvertedSourceKept},
        {"every read short", FileOp::Read, 1, FaultAction::Short, ConvertOutcome::Converted, true},
    };
    for (const size_t length : kLengths)
        for (const FaultRow& row : rows) {
            SCOPED_TRACE(std::string(row.what) + ", " + std::to_string(length) + " bytes");
            const Bytes plain = PatternBytes(length, 5);
            TempFolder folder;
            ASSERT_TRUE(WriteBytes(folder / P("plain.txt"), plain));
            ASSERT_EQ(EncryptOneFile((folder / P("plain.txt")).c_str(), kTestPassword), 1);
            const auto container = ReadBytes(folder / P("plain_txt.ENC"));
            ConvertResult result;
            {
                FaultScope fault(row.op, row.nth, row.action, row.repeat);
                result = DecryptFromContainer((folder / P("plain_txt.ENC")).c_str(), kTestPassword);
            }
            EXPECT_EQ(result.outcome, row.outcome);
            ExpectTheCauseIsCarried(row, result);
            if (!Converted(row.outcome)) {
                EXPECT_EQ(ListNames(folder.path()), Names{P("plain_txt.ENC")});
                EXPECT_EQ(ReadBytes(folder / P("plain_txt.ENC")), container);
                continue;
            }
            EXPECT_EQ(ReadBytes(folder / P("plain.txt")), plain);
            if (row.outcome == ConvertOutcome::ConvertedSourceKept) {
                EXPECT_EQ(ListNames(folder.path()), (Names{P("plain.txt"), P("plain_txt.ENC")}));
                EXPECT_EQ(ReadBytes(folder / P("plain_txt.ENC")), container);
            } else {
                EXPECT_EQ(ListNames(folder.path()), Names{P("plain.txt")});
            }
        }
}

// Crash and disk-full tests walk every operation; the counts tell them how many there are.
TEST(Failures, OperationsOfOneConversionCanBeCounted) {
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder / P("p.txt"), PatternBytes(kPlainLength)));
    StartCountingFileOps();
    ASSERT_EQ(EncryptOneFile((folder / P("p.txt")).c_str(), kTestPassword), 1);
    DisarmFaults();
    const std::pair<FileOp, uint64_t> expected[] = {
        {FileOp::OpenSource, 1},   {FileOp::AllocateBuffer, 1}, {FileOp::CreateTemp, 1}, {FileOp::Write, 4},
        {FileOp::Read, 4},         {FileOp::Flush, 1},          {FileOp::Rename, 1},     {FileOp::SyncFolder, 1},
        {FileOp::DeleteSource, 1}, {FileOp::RemoveTemp, 0},
    };
    for (const auto& [op, count] : expected) {
        EXPECT_EQ(FaultOperationCount(op), count) << static_cast<int>(op);
    }
    // Disarmed, nothing is counted any more.
    ASSERT_EQ(DecryptOneFile((folder / P("p_txt.ENC")).c_str(), kTestPassword), 1);
    EXPECT_EQ(FaultOperationCount(FileOp::Write), 4u);
}

// Where the output has a name while it is written, a failed removal leaves it under a temporary name only,
// never a final one; the source stays as it was.
TEST(Failures, TemporaryLeftWhenEvenItsRemovalFailsIsOnlyATemporary) {
    TempFolder folder;
    const Bytes plain = PatternBytes(5000);
    ASSERT_TRUE(WriteBytes(folder / P("p.txt"), plain));
    {
        FaultScope fault(FileOp::Write, 2, FaultAction::Fail);
        ArmFault(FileOp::RemoveTemp, 1, FaultAction::Fail);
        PreferNamedTemporaries(true);
        EXPECT_EQ(EncryptToContainer((folder / P("p.txt")).c_str(), kTestPassword).outcome,
                  ConvertOutcome::OutputFailed);
    }
    Names names = ListNames(folder.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(IsEngineTempName(names[0]));
    EXPECT_FALSE(IsContainerName(names[0]));
    EXPECT_EQ(names[1], P("p.txt"));
    EXPECT_EQ(ReadBytes(folder / P("p.txt")), plain);
}

TEST(Failures, SourcesThatCannotBeTaken) {
    TempFolder folder;
    ASSERT_TRUE(MakeFolder(folder / P("sub.txt")));
    ASSERT_TRUE(MakeFolder(folder / P("sub.ENC")));
    ASSERT_TRUE(WriteBytes(folder / P("empty.txt"), Bytes{}));
    EXPECT_EQ(EncryptToContainer((folder / P("missing.txt")).c_str(), kTestPassword).outcome,
              ConvertOutcome::SourceUnreadable);
    EXPECT_EQ(DecryptFromContainer((folder / P("missing.ENC")).c_str(), kTestPassword).outcome,
              ConvertOutcome::SourceUnreadable);
    EXPECT_EQ(EncryptToContainer((folder / P("sub.txt")).c_str(), kTestPassword).outcome,
              ConvertOutcome::NotARegularFile);
    EXPECT_EQ(DecryptFromContainer((folder / P("sub.ENC")).c_str(), kTestPassword).outcome,
              ConvertOutcome::NotARegularFile);
    EXPECT_EQ(EncryptToContainer((folder / P("empty.txt")).c_str(), kTestPassword).outcome,
              ConvertOutcome::SkippedEmpty);
    EXPECT_EQ(EncryptOneFile((folder / P("empty.txt")).c_str(), kTestPassword), 0);
    EXPECT_EQ(EncryptToContainer(P("no-folder.txt"), kTestPassword).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(EncryptToContainer(folder.path().c_str(), kTestPassword).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(EncryptToContainer(nullptr, kTestPassword).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(DecryptFromContainer(P(""), kTestPassword).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(EncryptToContainer((folder / P("empty.txt")).c_str(), nullptr).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(DecryptOneFile(nullptr, kTestPassword), 0);
    EXPECT_EQ(ListNames(folder.path()), (Names{P("empty.txt"), P("sub.ENC"), P("sub.txt")}));
}

#ifdef _WIN32
// A read-only plain file: its container is made, the file itself cannot be deleted.
TEST(Failures, ReadOnlySourceIsKept) {
    TempFolder folder;
    const Bytes plain = PatternBytes(999);
    ASSERT_TRUE(WriteBytes(folder / L"ro.txt", plain));
    ASSERT_TRUE(MakeReadOnly(folder / L"ro.txt"));
    EXPECT_EQ(EncryptToContainer((folder / L"ro.txt").c_str(), kTestPassword).outcome,
              ConvertOutcome::ConvertedSourceKept);
    EXPECT_EQ(EncryptOneFile((folder / L"ro.txt").c_str(), kTestPassword), 1);
    EXPECT_EQ(ListNames(folder.path()), (Names{L"ro.txt", L"ro_txt (2).ENC", L"ro_txt.ENC"}));
    EXPECT_EQ(ReadBytes(folder / L"ro.txt"), plain);
    // Read-only does not travel: a read-only container could not be deleted through its handle in turn.
    EXPECT_EQ(GetFileAttributesW(LongFormPath(folder / L"ro_txt.ENC").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}
#else
struct SourceTamper {
    PathString source;
    PathString stranger;
    int mode = 0;

    void operator()() const {
        if (mode == 0) {
            FILE* file = std::fopen(source.c_str(), "ab");
            std::fputs("more", file);
            std::fclose(file);
        } else if (mode == 1) {
            ::truncate(source.c_str(), 10);
        } else {
            std::rename(stranger.c_str(), source.c_str());
        }
    }
};

// POSIX lets others change a file while it is read (where no lease holds it): a grown or shrunk source fails, and a
// file put under the source's name meanwhile is not deleted.
TEST(Failures, SourceChangedWhileReadIsNeverDeleted) {
    FaultScope withoutLease(FileOp::TakeLease, 1, FaultAction::Fail, true); // a lease refuses such writers
    const Bytes plain = PatternBytes(ENC_CHUNK_SIZE + 5);
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / "s.txt", plain));
        ASSERT_TRUE(WriteBytes(folder / "stranger", PatternBytes(10, 9)));
        AtFirstChunk tamper(SourceTamper{folder / "s.txt", folder / "stranger", mode});
        const ConvertOutcome outcome = EncryptToContainer((folder / "s.txt").c_str(), kTestPassword, &tamper).outcome;
        if (mode == 2) {
            EXPECT_EQ(outcome, ConvertOutcome::ConvertedSourceKept);
            EXPECT_EQ(ListNames(folder.path()), (Names{"s.txt", "s_txt.ENC"}));
            EXPECT_EQ(ReadBytes(folder / "s.txt"), PatternBytes(10, 9));
        } else {
            EXPECT_EQ(outcome, ConvertOutcome::SourceUnreadable);
            EXPECT_EQ(ListNames(folder.path()), (Names{"s.txt", "stranger"}));
        }
    }
}

// The output keeps the permission bits of the file it was made from: a private file stays private.
TEST(Failures, PermissionsPassToTheOutput) {
    for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0444}}) {
        SCOPED_TRACE(mode);
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / "m.txt", PatternBytes(100)));
        ASSERT_EQ(::chmod((folder / "m.txt").c_str(), mode), 0);
        ASSERT_EQ(EncryptOneFile((folder / "m.txt").c_str(), kTestPassword), 1);
        struct stat info {};
        ASSERT_EQ(::stat((folder / "m_txt.ENC").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode);
        ASSERT_EQ(DecryptOneFile((folder / "m_txt.ENC").c_str(), kTestPassword), 1);
        ASSERT_EQ(::stat((folder / "m.txt").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode);
    }
}

// A crash anywhere leaves nothing where the output is written without a name (Linux), and at most a
// temporary file where it needs one; never a partial output under a final name.
TEST(FailuresDeathTest, CrashMidWayLeavesNothingButATemporary) {
    GTEST_FLAG_SET(death_test_style, "fast"); // the child must see this test's folder
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary" : "output without a name");
        TempFolder folder;
        const Bytes plain = PatternBytes(kPlainLength);
        ASSERT_TRUE(WriteBytes(folder / "p.txt", plain));
        const PathString path = folder / "p.txt";
        EXPECT_EXIT(
            {
                PreferNamedTemporaries(named);
                ArmFault(FileOp::Write, 3, FaultAction::Crash);
                EncryptToContainer(path.c_str(), kTestPassword);
            },
            ::testing::ExitedWithCode(FAULT_CRASH_EXIT_CODE), "");
        Names names = ListNames(folder.path());
#ifdef __linux__
        const size_t expected = named ? 2u : 1u;
#else
        const size_t expected = 2u;
#endif
        ASSERT_EQ(names.size(), expected);
        EXPECT_TRUE(names.size() == 1 || IsEngineTempName(names[0]));
        EXPECT_EQ(names.back(), "p.txt");
        EXPECT_EQ(ReadBytes(path), plain);
    }
}
#endif

} // namespace

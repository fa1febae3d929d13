// Every crash point of a batch visited in turn: a child process runs the batch walk and is ended by the file
// layer's fault injection just before its nth operation of one kind, for every n and every kind the batch
// performs. Random kills rarely land in the narrow windows (between the move into place and the deletion
// of the source, say); this visits each of them on purpose. After each crash every original is
// recoverable, and a later batch finishes the job without leaving a temporary. A folder of more small files
// than one batch holds has the points inside a batch visited too: between its writes, its flushes, its
// moves and its deletions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

#include "batch_walker.h"
#include "crash_folder.h"
#include "fault_injection.h"

namespace {

using namespace crash_test;

struct Snapshot {
    std::vector<std::pair<PathString, Bytes>> files; // path relative to the root; folders first, bytes empty
    std::set<PathString> folders;
};

constexpr std::array<const char*, FILE_OP_COUNT> kOpNames = {
    "OpenSource",   "CreateTemp", "Read",           "Write",    "Flush",     "Rename",     "SyncFolder",
    "DeleteSource", "RemoveTemp", "AllocateBuffer", "SetAside", "TakeLease", "ListFolder", "PassOnMetadata",
};

// Fewer files than the random rounds use (one of two chunks, small ones, a subfolder): each point costs a
// whole batch, and the count of points grows with every file.
std::vector<OriginalFile> PointOriginals() {
    std::vector<OriginalFile> chosen;
    const std::set<PathString> names{"empty.dat", "one.txt", "block.bin", "above chunk.bin", "inner.txt"};
    for (OriginalFile& original : MixedOriginals()) {
        if (names.count(original.name) != 0) {
            chosen.push_back(std::move(original));
        }
    }
    return chosen;
}

// More small files in one folder than a batch holds, and a subfolder: batches that end full, end with their
// folder, and end before the walk enters the subfolder.
std::vector<OriginalFile> BatchOriginals() {
    std::vector<OriginalFile> originals;
    for (uint32_t index = 0; index < 66; ++index) {
        originals.push_back(OriginalFile{"", std::string("small ").append(std::to_string(index)) + ".txt",
                                         PatternBytes(1 + index * 61, index)});
    }
    originals.push_back(OriginalFile{"sub/", "first.txt", PatternBytes(300, 500)});
    originals.push_back(OriginalFile{"sub/", "second.txt", PatternBytes(20000, 501)});
    return originals;
}

// Every operation of a kind, or only those of the phases of a batch.
const std::vector<FileOp> kEveryOp = [] {
    std::vector<FileOp> ops;
    for (int op = 0; op < FILE_OP_COUNT; ++op) {
        ops.push_back(static_cast<FileOp>(op));
    }
    return ops;
}();
const std::vector<FileOp> kBatchPhaseOps = {FileOp::Write,      FileOp::Flush,    FileOp::Rename,
                                            FileOp::SyncFolder, FileOp::SetAside, FileOp::DeleteSource};

PathString Selection(const PathString& root) {
    return root.substr(0, root.size() - 1);
}

bool RunBatch(const PathString& root, int mode) {
    const PathString selection = Selection(root);
    return ProcessSelection(&selection, 1, mode, kPassword) == 1;
}

Snapshot Take(const PathString& root, const std::vector<OriginalFile>& originals) {
    Snapshot snapshot;
    for (const OriginalFile& original : originals) {
        snapshot.folders.insert(original.folder);
    }
    for (const PathString& folder : snapshot.folders) {
        for (const PathString& name : ListNames(root + folder)) {
            if (snapshot.folders.count(folder + name + "/") == 0) {
                snapshot.files.emplace_back(folder + name, *ReadBytes(root + folder + name));
            }
        }
    }
    return snapshot;
}

bool Restore(const PathString& root, const Snapshot& snapshot) {
    for (const PathString& folder : snapshot.folders) {
        if (!folder.empty() && !MakeFolder(root + folder)) {
            return false;
        }
    }
    return std::all_of(snapshot.files.begin(), snapshot.files.end(),
                       [&](const auto& file) { return WriteBytes(root + file.first, file.second); });
}

// Ends with the fault's exit code when the crash point was reached, 0 when the batch got through.
int CrashedBatchExitCode(const PathString& root, int mode, FileOp op, uint64_t nth) {
    const pid_t child = ::fork();
    if (child == 0) {
        ArmFault(op, nth, FaultAction::Crash);
        RunBatch(root, mode);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Visits the first operation of each kind and every stride-th after it, and the last.
void VisitEveryCrashPoint(int mode, const std::vector<OriginalFile>& originals, const std::vector<FileOp>& ops,
                          int fewestPoints, uint64_t stride = 1) {
    const bool encrypting = mode == kModeEncrypt;
    Snapshot start;
    std::array<uint64_t, FILE_OP_COUNT> counts{};
    {
        TempFolder model("crash-model", FastTempBase());
        CrashFolder tree(model.path(), originals);
        ASSERT_TRUE(tree.WriteOriginals());
        if (!encrypting) {
            ASSERT_TRUE(RunBatch(model.path(), kModeEncrypt));
        }
        start = Take(model.path(), originals);
        StartCountingFileOps();
        ASSERT_TRUE(RunBatch(model.path(), mode));
        DisarmFaults();
        for (int op = 0; op < FILE_OP_COUNT; ++op) {
            counts[static_cast<size_t>(op)] = FaultOperationCount(static_cast<FileOp>(op));
        }
    }
    int points = 0;
    for (const FileOp kind : ops) {
        const auto op = static_cast<int>(kind);
        const uint64_t count = counts[static_cast<size_t>(op)];
        for (uint64_t nth = 1; nth <= count; nth = (nth + stride > count && nth < count) ? count : nth + stride) {
            const std::string what = std::string(encrypting ? "encrypt" : "decrypt") + ", crash before " +
                                     kOpNames[static_cast<size_t>(op)] + " #" + std::to_string(nth);
            TempFolder work("crash", FastTempBase());
            ASSERT_TRUE(Restore(work.path(), start));
            CrashFolder tree(work.path(), originals);
            EXPECT_EQ(CrashedBatchExitCode(work.path(), mode, static_cast<FileOp>(op), nth), FAULT_CRASH_EXIT_CODE)
                << what;
            Survey survey = tree.Inspect(FinalState::Any);
            ASSERT_TRUE(survey.problems.empty()) << what << ": " << Describe(survey);

            ASSERT_TRUE(RunBatch(work.path(), mode));
            survey = tree.Inspect(encrypting ? FinalState::Encrypted : FinalState::Decrypted);
            ASSERT_TRUE(survey.problems.empty()) << what << ", then a finished batch: " << Describe(survey);
            ++points;
        }
    }
    std::printf("%s: %d crash points visited\n", encrypting ? "encrypt" : "decrypt", points);
    EXPECT_GT(points, fewestPoints);
}

TEST(CrashPoints, EncryptMayDieBeforeAnyFileOperation) {
    VisitEveryCrashPoint(kModeEncrypt, PointOriginals(), kEveryOp, 30);
}

TEST(CrashPoints, DecryptMayDieBeforeAnyFileOperation) {
    VisitEveryCrashPoint(kModeDecrypt, PointOriginals(), kEveryOp, 30);
}

TEST(CrashPoints, EncryptMayDieBetweenThePhasesOfABatch) {
    VisitEveryCrashPoint(kModeEncrypt, BatchOriginals(), kBatchPhaseOps, 100, 3);
}

TEST(CrashPoints, DecryptMayDieBetweenThePhasesOfABatch) {
    VisitEveryCrashPoint(kModeDecrypt, BatchOriginals(), kBatchPhaseOps, 100, 3);
}

} // namespace

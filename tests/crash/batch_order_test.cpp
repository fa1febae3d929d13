// The order a batch of one folder keeps, traced through the file layer's operation hook: no output is
// named before its data is flushed, no source is deleted before its output's name is made durable, and the
// folder is flushed once per batch rather than once per file.
#include <gtest/gtest.h>

#include <vector>

#include "batch_walker.h"
#include "crash_folder.h"
#include "fault_injection.h"
#include "output_batch.h"

namespace {

using namespace crash_test;

constexpr int kFiles = 100; // more than one batch holds

struct Trace {
    std::vector<FileOp> ops;
};

void Record(void* context, FileOp op) {
    static_cast<Trace*>(context)->ops.push_back(op);
}

std::vector<OriginalFile> SmallOriginals() {
    std::vector<OriginalFile> originals;
    for (int index = 0; index < kFiles; ++index) {
        originals.push_back(OriginalFile{"", std::string("small-").append(std::to_string(index)) + ".txt",
                                         PatternBytes(100 + 37 * static_cast<size_t>(index), index + 1)});
    }
    return originals;
}

// The kth deletion belongs to the kth output named, and the kth output named to the kth flushed: the
// batch keeps the order in which its files were written through every phase.
void ExpectEveryDeletionAfterItsFlushNameAndFolderSync(const std::vector<FileOp>& ops) {
    int flushes = 0;
    int renames = 0;
    int renamesBeforeLastSync = 0;
    int deletions = 0;
    for (const FileOp op : ops) {
        switch (op) {
        case FileOp::Flush:
            ++flushes;
            break;
        case FileOp::Rename:
            ++renames;
            ASSERT_LE(renames, flushes) << "output " << renames << " named before its data was flushed";
            break;
        case FileOp::SyncFolder:
            renamesBeforeLastSync = renames;
            break;
        case FileOp::DeleteSource:
            ++deletions;
            ASSERT_LE(deletions, renamesBeforeLastSync)
                << "source " << deletions << " deleted before its output's name was flushed with the folder";
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(deletions, kFiles);
}

TEST(BatchOrder, SourcesGoOnlyAfterTheirOutputsDataAndNameAreOnDisk) {
    for (const int mode : {kModeEncrypt, kModeDecrypt}) {
        TempFolder work("batch-order", FastTempBase());
        CrashFolder tree(work.path(), SmallOriginals());
        ASSERT_TRUE(tree.WriteOriginals());
        if (mode == kModeDecrypt) {
            const PathString selection = work.path().substr(0, work.path().size() - 1);
            ASSERT_EQ(ProcessSelection(&selection, 1, kModeEncrypt, kPassword), 1);
        }
        Trace trace;
        SetOperationHook(Record, &trace);
        const PathString selection = work.path().substr(0, work.path().size() - 1);
        const int processed = ProcessSelection(&selection, 1, mode, kPassword);
        SetOperationHook(nullptr, nullptr);
        ASSERT_EQ(processed, 1);
        ExpectEveryDeletionAfterItsFlushNameAndFolderSync(trace.ops);
        const Survey survey = tree.Inspect(mode == kModeEncrypt ? FinalState::Encrypted : FinalState::Decrypted);
        EXPECT_TRUE(survey.problems.empty()) << Describe(survey);
    }
}

// The folder selected, or each of its files selected one after another (as Explorer passes a whole
// folder's files): the same batches either way.
TEST(BatchOrder, OneFolderFlushPerBatchNotPerFile) {
    for (const bool fileByFile : {false, true}) {
        SCOPED_TRACE(fileByFile ? "its files selected" : "the folder selected");
        TempFolder work("batch-order", FastTempBase());
        CrashFolder tree(work.path(), SmallOriginals());
        ASSERT_TRUE(tree.WriteOriginals());
        std::vector<PathString> selection;
        if (fileByFile) {
            for (const OriginalFile& original : tree.originals()) {
                selection.push_back(work.path() + original.name);
            }
        } else {
            selection.push_back(work.path().substr(0, work.path().size() - 1));
        }
        StartCountingFileOps();
        ASSERT_EQ(ProcessSelection(selection.data(), static_cast<int>(selection.size()), kModeEncrypt, kPassword), 1);
        DisarmFaults();
        EXPECT_EQ(FaultOperationCount(FileOp::Flush), static_cast<uint64_t>(kFiles));
        EXPECT_EQ(FaultOperationCount(FileOp::SyncFolder), 2u) << "100 files in batches of at most 64";
        EXPECT_TRUE(tree.Inspect(FinalState::Encrypted).problems.empty());
    }
}

#ifdef __linux__
// One syncfs stands for the flush of every output only where the kernel reports a failed write-back
// through it; elsewhere each output is flushed and checked on its own.
TEST(BatchOrder, SyncfsIsTrustedOnlyByKernelsThatReportWriteBackErrors) {
    const struct {
        const char* release;
        bool trusted;
    } kernels[] = {
        {"6.18.44-fc-v1403", true},
        {"5.8.0", true},
        {"5.10.0-26-amd64", true},
        {"10.0", true},
        {"5.7.19", false},
        {"4.19.0-25-amd64", false},
        {"2.6", false},
        {"", false},
        {"linux", false},
        {"5", false},
        {nullptr, false},
    };
    for (const auto& kernel : kernels) {
        EXPECT_EQ(SyncfsReportsWriteErrors(kernel.release), kernel.trusted)
            << (kernel.release ? kernel.release : "(null)");
    }
}
#endif

} // namespace

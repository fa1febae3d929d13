// A disk that fills up part way, as the file layer's fault injection makes it (a write that fails with
// ENOSPC, one that writes short, a flush that fails), driven through the command line's batch and report:
// the source stays intact, no partial output or temporary remains, the file counts as failed (so
// tolvane-cli exits with 1) and the message says the output could not be written. Runs natively and
// under Wine, where the Win32 file layer is the one that fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>

#include "batch_report.h"
#include "batch_walker.h"
#include "console_output.h"
#include "enc_format.h"
#include "engine_test_files.h"
#include "fault_injection.h"
#include "progress_line.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using Names = std::vector<PathString>;

constexpr size_t kPlainLength = 2 * ENC_CHUNK_SIZE + 100; // three chunks
// An injected failure may come with or without a system error, so only the words around the reason count.
constexpr char kOutputFailedWords[] = "the output could not be written";
constexpr char kUnchangedWords[] = "; the file is unchanged";

// What the program writes to stderr meanwhile goes to a file, and is read back at the end.
class StderrCapture {
public:
    explicit StderrCapture(PathString file) : m_file(std::move(file)) {
        std::fflush(stderr);
#ifdef _WIN32
        m_saved = _dup(_fileno(stderr));
        const int target = _wopen(m_file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
        _dup2(target, _fileno(stderr));
        _close(target);
#else
        m_saved = ::dup(fileno(stderr));
        const int target = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(target, fileno(stderr));
        ::close(target);
#endif
    }

    std::string Finish() {
        std::fflush(stderr);
#ifdef _WIN32
        _dup2(m_saved, _fileno(stderr));
        _close(m_saved);
#else
        ::dup2(m_saved, fileno(stderr));
        ::close(m_saved);
#endif
        m_saved = -1;
        const auto bytes = ReadBytes(m_file);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }

    ~StderrCapture() {
        if (m_saved >= 0) {
            Finish();
        }
    }

private:
    PathString m_file;
    int m_saved = -1;
};

struct DiskFullRow {
    const char* what;
    FileOp op;
    uint64_t nth;
    FaultAction action;
};

struct BatchSeen {
    int converted = 0;
    int failed = 0;
    bool anyFailure = false;
    std::string errors;
};

BatchSeen RunReportedBatch(const PathString& folder, BatchMode mode, const TempFolder& logs, const DiskFullRow& row) {
    BatchSeen seen;
    StderrCapture capture(logs / P("stderr.txt"));
    {
        ProgressLine progress(false, 1);
        BatchReport report(mode, true, &progress);
        const PathString selection = folder.substr(0, folder.size() - 1);
        FaultScope fault(row.op, row.nth, row.action);
        ProcessSelection(&selection, 1, mode, kTestPassword, &report);
        seen.converted = report.converted();
        seen.failed = report.failed();
        seen.anyFailure = report.AnyFailure();
    }
    seen.errors = capture.Finish();
    return seen;
}

void ExpectFailedAndUntouched(const BatchSeen& seen, const PathString& source, const Bytes& sourceBytes,
                              const PathString& folder) {
    EXPECT_EQ(seen.converted, 0);
    EXPECT_EQ(seen.failed, 1);
    EXPECT_TRUE(seen.anyFailure) << "tolvane-cli exits with 1 exactly when the report has a failure";
    EXPECT_NE(seen.errors.find("failed: " + PathForDisplay(source) + ": " + kOutputFailedWords), std::string::npos)
        << seen.errors;
    EXPECT_NE(seen.errors.find(kUnchangedWords), std::string::npos) << seen.errors;
    EXPECT_EQ(ListNames(folder), Names{source.substr(folder.size())}) << "no partial output, no temporary";
    EXPECT_EQ(ReadBytes(source), sourceBytes);
}

TEST(DiskFullFaults, EncryptFailsCleanlyAndSaysSo) {
    const DiskFullRow rows[] = {
        {"header write fails: no space left", FileOp::Write, 1, FaultAction::Fail},
        {"first chunk write fails: no space left", FileOp::Write, 2, FaultAction::Fail},
        {"second chunk written short: the disk filled up", FileOp::Write, 3, FaultAction::Short},
        {"last chunk write fails", FileOp::Write, 4, FaultAction::Fail},
        {"flush fails: delayed allocation found no space", FileOp::Flush, 1, FaultAction::Fail},
    };
    const Bytes plain = PatternBytes(kPlainLength, 31);
    for (const DiskFullRow& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder logs;
        TempFolder folder;
        const PathString source = folder / P("report.doc");
        ASSERT_TRUE(WriteBytes(source, plain));
        const BatchSeen seen = RunReportedBatch(folder.path(), BatchMode::Encrypt, logs, row);
        ExpectFailedAndUntouched(seen, source, plain, folder.path());
    }
}

TEST(DiskFullFaults, DecryptFailsCleanlyAndSaysSo) {
    const DiskFullRow rows[] = {
        {"first chunk write fails: no space left", FileOp::Write, 1, FaultAction::Fail},
        {"second chunk written short: the disk filled up", FileOp::Write, 2, FaultAction::Short},
        {"last chunk write fails", FileOp::Write, 3, FaultAction::Fail},
        {"flush fails: delayed allocation found no space", FileOp::Flush, 1, FaultAction::Fail},
    };
    const Bytes plain = PatternBytes(kPlainLength, 32);
    for (const DiskFullRow& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder logs;
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / P("report.doc"), plain));
        ASSERT_EQ(EncryptOneFile((folder / P("report.doc")).c_str(), kTestPassword), 1);
        const PathString source = folder / P("report_doc.ENC");
        const auto container = ReadBytes(source);
        ASSERT_TRUE(container);
        const BatchSeen seen = RunReportedBatch(folder.path(), BatchMode::Decrypt, logs, row);
        ExpectFailedAndUntouched(seen, source, *container, folder.path());

        // Once there is room again, the same container opens.
        ASSERT_EQ(DecryptOneFile(source.c_str(), kTestPassword), 1);
        EXPECT_EQ(ReadBytes(folder / P("report.doc")), plain);
    }
}

} // namespace

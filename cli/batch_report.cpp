// Per-file lines and counts of a command-line batch (contract in batch_report.h).
#include "batch_report.h"

#include <cstdio>
#include <string>

#include "console_output.h"

namespace {

const char* FailureWords(ConvertOutcome outcome, bool encrypting) {
    switch (outcome) {
    case ConvertOutcome::ConvertedSourceKept:
        return encrypting ? "the plain file could not be deleted after encryption and is still there unencrypted"
                          : "the encrypted file could not be deleted after decryption";
    case ConvertOutcome::WrongPassword:
        return "wrong password, or not an encrypted file";
    case ConvertOutcome::Damaged:
        return "the encrypted file is damaged";
    case ConvertOutcome::BadPath:
        return "the name or path cannot be used";
    case ConvertOutcome::SourceUnreadable:
        return "the file cannot be read";
    case ConvertOutcome::OutputFailed:
        return "the output could not be written; the file is unchanged";
    case ConvertOutcome::OutOfMemory:
        return "not enough memory";
    default:
        return "failed";
    }
}

} // namespace

BatchReport::BatchReport(int mode, bool quiet, ProgressLine* progress)
    : m_mode(mode), m_quiet(quiet), m_progress(progress) {}

void BatchReport::Say(const std::string& line) {
    if (m_quiet) {
        return;
    }
    m_progress->Clear();
    WriteLine(stdout, line);
}

void BatchReport::Complain(const std::string& line) {
    m_progress->Clear();
    std::fflush(stdout);
    WriteLine(stderr, line);
}

void BatchReport::Skipped(const PathString& path, const char* why) {
    ++m_skipped;
    Say("skipped: " + PathForDisplay(path) + " (" + why + ")");
}

void BatchReport::FileConverted(const PathString& path, const ConvertResult& result) {
    const bool encrypting = m_mode == kModeEncrypt;
    switch (result.outcome) {
    case ConvertOutcome::Converted:
        ++m_converted;
        Say(std::string(encrypting ? "encrypted: " : "decrypted: ") + PathForDisplay(path) + " -> " +
            PathForDisplay(result.outputPath));
        return;
    case ConvertOutcome::SkippedEmpty:
        Skipped(path, "empty file");
        return;
    case ConvertOutcome::SkippedNotContainer:
        Skipped(path, "not an .ENC file");
        return;
    default:
        ++m_failed;
        Complain("failed: " + PathForDisplay(path) + ": " + FailureWords(result.outcome, encrypting));
        return;
    }
}

void BatchReport::FilePassedOver(const PathString& path, PassOverReason reason) {
    switch (reason) {
    case PassOverReason::Extension:
        Skipped(path, m_mode == kModeEncrypt ? "already an .ENC file" : "not an .ENC file");
        return;
    case PassOverReason::Link:
        Skipped(path, "link, not followed");
        return;
    case PassOverReason::NotRegularFile:
        Skipped(path, "not a regular file");
        return;
    case PassOverReason::EngineTemporary:
        Skipped(path, "temporary file of an interrupted run");
        return;
    }
}

void BatchReport::FolderUnlistable(const PathString& path) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) + ": the folder cannot be read; nothing in it was converted");
}

void BatchReport::SelectionItemUnreadable(const PathString& path) {
    ++m_missing;
    Complain("error: " + PathForDisplay(path) +
             ": no longer exists or cannot be read; it and the paths after it were left alone");
}

void BatchReport::MissingPath(const PathString& path) {
    ++m_missing;
    Complain("error: " + PathForDisplay(path) + ": no such file or folder");
}

void BatchReport::WriteSummary() const {
    m_progress->Clear();
    WriteLine(stdout, "converted " + std::to_string(m_converted) + ", skipped " + std::to_string(m_skipped) +
                          ", failed " + std::to_string(m_failed));
}

// Per-file lines and counts of a command-line batch (contract in batch_report.h).
#include "batch_report.h"

#include <cstdio>
#include <string>

#include "console_output.h"
#include "interrupt.h"
#include "system_error.h"

namespace {

// " (permission denied)" for a failure at path that a system call gave a reason for, else nothing.
std::string Reason(const ConvertResult& result, const PathString& path) {
    const std::string words =
        SystemErrorTextAt(result.systemError, result.keptSourcePath.empty() ? path : result.keptSourcePath);
    return words.empty() ? std::string() : " (" + words + ")";
}

// What became of the file at path when it was not converted, in words for its line.
std::string OutcomeWords(const PathString& path, const ConvertResult& result, bool encrypting) {
    switch (result.outcome) {
    case ConvertOutcome::Converted:
        return {};
    case ConvertOutcome::SkippedEmpty:
        return "empty file";
    case ConvertOutcome::SkippedNotContainer:
        return "not an .ENC file";
    case ConvertOutcome::NotARegularFile:
        return "not a regular file; a link is never followed";
    case ConvertOutcome::ConvertedSourceKept:
        if (result.otherLinks > 0) {
            const std::string names =
                std::to_string(result.otherLinks) +
                (result.otherLinks == 1 ? " other name (hard link)" : " other names (hard links)");
            return encrypting ? "the plain file has " + names + ", under which it stays readable unencrypted"
                              : "the encrypted file has " + names + " and was kept";
        }
        return encrypting ? "the plain file could not be deleted after encryption" + Reason(result, path) +
                                " and is still there unencrypted"
                          : "the encrypted file could not be deleted after decryption" + Reason(result, path);
    case ConvertOutcome::ConvertedSourceMoved:
        return result.movedSourceReadable
                   ? "converted; the plain file was moved away meanwhile and is still readable there"
                   : "converted; the plain file was deleted or moved to another disk meanwhile";
    case ConvertOutcome::SourceInUse:
        return "in use by another program; the file is unchanged";
    case ConvertOutcome::WrongPassword:
        return "wrong password, or not an encrypted file";
    case ConvertOutcome::Damaged:
        return "the encrypted file is damaged";
    case ConvertOutcome::BadPath:
        return "the name or path cannot be used";
    case ConvertOutcome::SourceUnreadable:
        return "the file cannot be read" + Reason(result, path);
    case ConvertOutcome::OutputFailed:
        return "the output could not be written" + Reason(result, path) + "; the file is unchanged";
    case ConvertOutcome::OutOfMemory:
        return "not enough memory";
    case ConvertOutcome::Interrupted:
        return "interrupted; the file is unchanged";
    }
    return "failed";
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

void BatchReport::Skipped(const PathString& path, const std::string& why) {
    ++m_skipped;
    Say("skipped: " + PathForDisplay(path) + " (" + why + ")");
}

void BatchReport::FileConverted(const PathString& path, const ConvertResult& result) {
    const bool encrypting = m_mode == kModeEncrypt;
    switch (KindOfOutcome(result.outcome)) {
    case OutcomeKind::Converted:
        ++m_converted;
        Say(std::string(encrypting ? "encrypted: " : "decrypted: ") + PathForDisplay(path) + " -> " +
            PathForDisplay(result.outputPath));
        return;
    case OutcomeKind::Skipped:
        Skipped(path, OutcomeWords(path, result, encrypting));
        return;
    case OutcomeKind::Failed:
        ++m_failed;
        if (result.outcome == ConvertOutcome::WrongPassword) {
            ++m_wrongPassword;
        }
        Complain("failed: " + PathForDisplay(path) + ": " + OutcomeWords(path, result, encrypting));
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
    case PassOverReason::Gone:
        Skipped(path, "gone before its turn came: moved, or converted by another run meanwhile");
        return;
    case PassOverReason::EngineTemporary:
        Skipped(path, "temporary file of an interrupted run; left as it is, never deleted by its name");
        return;
    case PassOverReason::MountPoint:
        Skipped(path, "a mount point: not entered");
        return;
    }
}

void BatchReport::FolderUnlistable(const PathString& path, int systemError) {
    ++m_failed;
    const std::string words = SystemErrorText(systemError);
    Complain("failed: " + PathForDisplay(path) + ": the folder cannot be read" +
             (words.empty() ? "" : " (" + words + ")") + "; what was not reached in it was not converted");
}

void BatchReport::SelectionItemUnreadable(const PathString& path) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) + ": no longer exists or cannot be read; nothing in it was converted");
}

void BatchReport::MissingPath(const PathString& path, int systemError) {
    ++m_failed;
    const std::string words = SystemErrorText(systemError);
    Complain("failed: " + PathForDisplay(path) + ": " + (words.empty() ? "no such file or folder" : words));
}

void BatchReport::RootNotConverted(const PathString& path) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) +
             ": the root of the file system is not converted; name the folders in it that should be");
}

void BatchReport::NotConvertible(const PathString& path, EntryKind kind) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) +
             (kind == EntryKind::Link ? ": is a link; it was not followed and nothing was converted"
                                      : ": is not a regular file (a device, pipe or socket); nothing was converted"));
}

bool BatchReport::StopRequested() {
    return InterruptArrived();
}

void BatchReport::WriteSummary() {
    m_progress->Clear();
    if (m_wrongPassword > 0) {
        Complain(std::to_string(m_wrongPassword) + (m_wrongPassword == 1
                                                        ? " container did not open with that password"
                                                        : " containers did not open with that password"));
    }
    if (InterruptArrived()) {
        Complain("interrupted: nothing more was started; the file in hand was left as it was");
    }
    WriteLine(stdout, "converted " + std::to_string(m_converted) + ", skipped " + std::to_string(m_skipped) +
                          ", failed " + std::to_string(m_failed));
}

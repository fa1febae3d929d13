// Per-file lines and counts of a command-line batch (contract in batch_report.h).
#include "batch_report.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "console_output.h"
#include "convert_result.h"
#include "enc_names.h"
#include "interrupt.h"
#include "path_parts.h"
#include "system_error.h"

namespace {

// " (permission denied)" for a failure at path that a system call gave a reason for, else nothing.
std::string Reason(const ConvertResult& result, const PathString& path) {
    const std::string words =
        SystemErrorTextAt(result.systemError, result.keptSourcePath.empty() ? path : result.keptSourcePath);
    return words.empty() ? std::string() : " (" + words + ")";
}

// What became of the file at path when it was not converted, in words for its line.
std::string OutcomeWords(const PathString& path, const ConvertResult& result, BatchMode mode) {
    const bool encrypting = mode == BatchMode::Encrypt;
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
        if (!result.keptSourcePath.empty()) {
            return "converted; a file saved under its name meanwhile could not go back to that name and is kept as " +
                   PathForDisplay(result.keptSourcePath);
        }
        return encrypting ? "the plain file could not be deleted after encryption" + Reason(result, path) +
                                " and is still there unencrypted"
                          : "the encrypted file could not be deleted after decryption" + Reason(result, path);
    case ConvertOutcome::ConvertedSourceMoved:
        return std::string("converted; the ") + (encrypting ? "plain" : "encrypted") +
               (result.movedSourceReadable ? " file was moved away meanwhile and is still readable there"
                                           : " file was deleted or moved to another disk meanwhile");
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

// The extension a container's name stands for by the naming rule: the text after the last '_' of its
// stem, as report_pdf.ENC stands for pdf; empty when the stem has none.
Utf16String ExtensionNamed(Utf16View stem) {
    const size_t underscore = stem.rfind('_');
    return underscore == Utf16View::npos ? Utf16String() : Utf16String(stem.substr(underscore + 1));
}

// A name without the " (2)" that a taken name gets when its output is made.
Utf16View WithoutFreeNameNumber(Utf16View name) {
    if (name.size() < 4 || name.back() != ')') {
        return name;
    }
    size_t open = name.size() - 1;
    while (open > 0 && name[open - 1] >= '0' && name[open - 1] <= '9') {
        --open;
    }
    const bool numbered = open >= 3 && open < name.size() - 1 && name[open - 1] == '(' && name[open - 2] == ' ';
    return numbered ? name.substr(0, open - 2) : name;
}

bool SameExtension(Utf16View one, Utf16View other) {
    const auto lower = [](Utf16Char unit) {
        return unit >= 'A' && unit <= 'Z' ? static_cast<Utf16Char>(unit + 32) : unit;
    };
    return one.size() == other.size() && std::equal(one.begin(), one.end(), other.begin(),
                                                    [&](Utf16Char a, Utf16Char b) { return lower(a) == lower(b); });
}

// What deserves a word about a restored file's name, which came from inside the container and not from
// its visible name: a hidden name, or an extension other than the one the container's name stands for
// (holiday_photos.ENC that restores .bash_profile). Empty when there is nothing to say.
std::string RestoredNameNote(const PathString& container, const PathString& restored) {
    PathString containerName;
    PathString restoredName;
    if (GetBareFileName(&containerName, container.c_str()) != 1 ||
        GetBareFileName(&restoredName, restored.c_str()) != 1) {
        return {};
    }
    const std::optional<Utf16String> from = PathToUtf16(containerName);
    const std::optional<Utf16String> to = PathToUtf16(restoredName);
    if (!from || !to || to->empty()) {
        return {};
    }
    std::string note;
    if (to->front() == '.') {
        note = "the restored name is hidden (it starts with a dot)";
    }
    // The restored name is put through the naming rule, so that its extension is read as the container's.
    const Utf16String carried = ExtensionNamed(WithoutFreeNameNumber(RestoredNameParts(*from).stem));
    const Utf16String restoredExtension = ExtensionNamed(WithoutFreeNameNumber(ContainerNameParts(*to).stem));
    if (!SameExtension(carried, restoredExtension)) {
        const std::string shownExtension = Utf16ToUtf8(RestoredNameParts(*to).extension).value_or("");
        note += note.empty() ? "" : "; ";
        note += carried.empty() ? "it has the extension " + EscapeForTerminal(shownExtension) +
                                      ", which the container's name does not carry"
                                : "its extension is not ." + EscapeForTerminal(Utf16ToUtf8(carried).value_or("")) +
                                      ", the one the container's name carries";
    }
    return note.empty() ? note
                        : "note: " + PathForDisplay(container) + " was restored as " + PathForDisplay(restoredName) +
                              ": " + note;
}

} // namespace

BatchReport::BatchReport(BatchMode mode, bool quiet, ProgressLine* progress)
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
    const bool encrypting = m_mode == BatchMode::Encrypt;
    switch (KindOfOutcome(result.outcome)) {
    case OutcomeKind::Converted:
        ++m_converted;
        Say(std::string(encrypting ? "encrypted: " : "decrypted: ") + PathForDisplay(path) + " -> " +
            PathForDisplay(result.outputPath));
        // Said even when quiet: a name the user did not see coming could hide or disguise the file.
        if (!encrypting) {
            if (const std::string note = RestoredNameNote(path, result.outputPath); !note.empty()) {
                Complain(note);
            }
        }
        return;
    case OutcomeKind::Skipped:
        Skipped(path, OutcomeWords(path, result, m_mode));
        return;
    case OutcomeKind::Failed:
        ++m_failed;
        if (result.outcome == ConvertOutcome::WrongPassword) {
            ++m_wrongPassword;
        }
        Complain("failed: " + PathForDisplay(path) + ": " + OutcomeWords(path, result, m_mode));
        return;
    }
}

void BatchReport::FilePassedOver(const PathString& path, PassOverReason reason) {
    switch (reason) {
    case PassOverReason::Extension:
        Skipped(path, m_mode == BatchMode::Encrypt ? "already an .ENC file" : "not an .ENC file");
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
    case PassOverReason::SetAsideSource:
        Skipped(path, "a file an interrupted run had set aside just before deleting it; its converted form is "
                      "beside it; left as it is, never deleted by its name");
        return;
    case PassOverReason::MountPoint:
        Skipped(path, "a mount point: not entered");
        return;
    case PassOverReason::StreamName:
        Skipped(path, "a stream of another file (its name holds ':'): it goes with that file");
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

void BatchReport::SystemFolderNotEncrypted(const PathString& path, const SystemFolder& folder) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) + ": not encrypted: " +
             (folder.home ? PathForDisplay(folder.path) + " is a home folder, whose settings programs need"
                          : "the system and its programs need " + PathForDisplay(folder.path)));
}

void BatchReport::NotConvertible(const PathString& path, EntryKind kind) {
    ++m_failed;
    Complain("failed: " + PathForDisplay(path) +
             (kind == EntryKind::Link ? ": is a link; it was not followed and nothing was converted"
                                      : ": is not a regular file (a device, pipe or socket); nothing was converted"));
}

void BatchReport::FileStarted(const PathString& path, uint64_t totalBytes) {
    m_progress->FileStarted(path, totalBytes);
}

void BatchReport::ChunkDone(uint64_t bytes) {
    m_progress->ChunkDone(bytes);
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

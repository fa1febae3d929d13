// What the command line says about a batch: one line per file (failures on stderr), and the counts of
// converted, skipped and failed files for the summary and the exit status. Every selected path that was
// not converted (missing, vanished, a link) counts as failed.
#pragma once

#include "batch_walker.h"
#include "folder.h"
#include "progress_line.h"
#include "system_folders.h"

class BatchReport final : public BatchObserver {
public:
    BatchReport(BatchMode mode, bool quiet, ProgressLine* progress);

    void FileConverted(const PathString& path, const ConvertResult& result) override;
    void FilePassedOver(const PathString& path, PassOverReason reason) override;
    void FolderUnlistable(const PathString& path, int systemError) override;
    void SelectionItemUnreadable(const PathString& path) override;

    // The conversion in hand: its progress goes to the status line, and an interrupt stops it.
    void FileStarted(const PathString& path, uint64_t totalBytes) override;
    void ChunkDone(uint64_t bytes) override;
    bool StopRequested() override;

    // A selected path that does not exist or cannot be read (systemError says why; 0 when nothing did),
    // found before the batch started.
    void MissingPath(const PathString& path, int systemError);
    // A selected link (never followed) or device: named, but not converted.
    void NotConvertible(const PathString& path, EntryKind kind);
    // A selected root folder of a file system, which is never converted whole.
    void RootNotConverted(const PathString& path);
    // A selected path that is, holds or lies inside folder, which the system needs: not encrypted.
    void SystemFolderNotEncrypted(const PathString& path, const SystemFolder& folder);

    // The counts, after a word on containers that did not open and on an interrupt.
    void WriteSummary();
    bool AnyFailure() const { return m_failed > 0; }

    int converted() const { return m_converted; }
    int skipped() const { return m_skipped; }
    int failed() const { return m_failed; }

private:
    void Say(const std::string& line);
    void Complain(const std::string& line);
    void Skipped(const PathString& path, const std::string& why);

    BatchMode m_mode;
    bool m_quiet;
    ProgressLine* m_progress;
    int m_converted = 0;
    int m_skipped = 0;
    int m_failed = 0;
    int m_wrongPassword = 0;
};

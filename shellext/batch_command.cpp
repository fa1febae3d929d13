// One encrypt or decrypt command: the password asked on the calling thread, both passes on a thread of
// their own while the calling thread keeps its windows answering, and the closing word. The password
// stays in this call's own buffer and is wiped before it returns.
#include "batch_command.h"

#include <windows.h>

#include "batch_walker.h"
#include "global_dialogs.h"
#include "module_lock.h"
#include "progress_window.h"
#include "restored_name.h"
#include "shell_texts.h"

namespace {

// Counts the files a batch converted and those it meant to convert but could not, passes each file's
// conversion on to the progress window, and remembers each restored name. A wrong password has its own
// message, a file abandoned at Cancel is left as it was, and files the walk passes over were never meant
// to be converted. Lives on the worker.
class FailureTally final : public BatchObserver {
public:
    FailureTally(BatchMode mode, ConversionObserver& progress) : m_mode(mode), m_progress(progress) {}

    void FileStarted(const PathString& path, uint64_t totalBytes) override { m_progress.FileStarted(path, totalBytes); }
    void ChunkDone(uint64_t bytes) override { m_progress.ChunkDone(bytes); }
    void WrongPassword(const PathString& containerPath) override { m_progress.WrongPassword(containerPath); }
    bool StopRequested() override { return m_progress.StopRequested(); }

    void FileConverted(const PathString&, const ConvertResult& result) override {
        if (m_mode == BatchMode::Decrypt) {
            RememberRestoredName(result);
        }
        if (ConvertedAtAll(result.outcome)) {
            ++m_converted;
        } else if (KindOfOutcome(result.outcome) == OutcomeKind::Failed &&
                   result.outcome != ConvertOutcome::WrongPassword && result.outcome != ConvertOutcome::Interrupted) {
            ++m_failed;
        }
    }
    // Whatever such an item holds stayed as it was.
    void FolderUnlistable(const PathString&, int) override { ++m_failed; }
    void SelectionItemUnreadable(const PathString&) override { ++m_failed; }

    unsigned Converted() const { return m_converted; }
    unsigned Failed() const { return m_failed; }

private:
    BatchMode m_mode;
    ConversionObserver& m_progress;
    unsigned m_converted = 0;
    unsigned m_failed = 0;
};

// The password of one command goes straight from its dialog into the command's own fixed buffer, which
// wipes itself however the command ends. False when the user cancelled.
bool AskPassword(BatchMode mode, PasswordSecret& password, HWND owner) {
    CPasswordDialog& dialog = mode == BatchMode::Encrypt ? static_cast<CPasswordDialog&>(EncryptPasswordDialog())
                                                         : static_cast<CPasswordDialog&>(DecryptPasswordDialog());
    if (dialog.DoModal(owner) == IDCANCEL) {
        return false;
    }
    dialog.TakePassword(password);
    return true;
}

} // namespace

BatchOutcome RunBatchCommand(BatchMode mode, const std::vector<std::wstring>& selection, HWND owner) {
    PasswordSecret password;
    if (!AskPassword(mode, password, owner)) {
        return BatchOutcome::Cancelled;
    }
    // Explorer may release the menu and free unused libraries while this thread reads its messages.
    ModuleLockHolder batchRunning;
    const int count = static_cast<int>(selection.size());
    int32_t total = 0;
    bool counted = false;
    ProgressWindowScope progress(mode == BatchMode::Encrypt);
    FailureTally tally(mode, progress);
    const bool quitting = progress.RunOffThread([&] {
        counted = CountSelection(selection.data(), count, &total) != 0 && total > 0;
        if (counted && !progress.StopRequested()) {
            progress.Open(static_cast<uint32_t>(total));
            ProcessSelection(selection.data(), count, mode, password.c_str(), &tally);
        }
    });
    const bool cancelled = progress.StopRequested();
    progress.Close();
    if (!counted) {
        return BatchOutcome::NothingToDo;
    }
    // The folder window may have closed meanwhile; a message then has no owner. A process that is
    // quitting is told nothing more.
    HWND messageOwner = IsWindow(owner) ? owner : nullptr;
    if (quitting) {
        return BatchOutcome::Processed;
    }
    if (cancelled) {
        MessageBoxW(messageOwner, CancelledBatchText(tally.Converted(), static_cast<unsigned>(total)).c_str(),
                    kMessageCaption, MB_OK | MB_ICONINFORMATION);
    } else if (tally.Failed() > 0) {
        MessageBoxW(messageOwner, FailedFilesText(tally.Failed()).c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    return BatchOutcome::Processed;
}

// One encrypt or decrypt command on the calling thread. The password stays in this call's own buffer
// and is wiped before it returns.
#include "batch_command.h"

#include <windows.h>

#include "batch_walker.h"
#include "global_dialogs.h"
#include "progress_window.h"
#include "restored_name.h"
#include "shell_texts.h"

namespace {

// Counts the files a batch meant to convert but could not, passes each file's conversion on to the
// progress window, and remembers each restored name. A wrong password has its own message, and files the
// walk passes over were never meant to be converted.
class FailureTally final : public BatchObserver {
public:
    FailureTally(BatchMode mode, ConversionObserver& progress) : m_mode(mode), m_progress(progress) {}

    void FileStarted(const PathString& path, uint64_t totalBytes) override { m_progress.FileStarted(path, totalBytes); }
    void ChunkDone(uint64_t bytes) override { m_progress.ChunkDone(bytes); }
    void WrongPassword(const PathString& containerPath) override { m_progress.WrongPassword(containerPath); }

    void FileConverted(const PathString&, const ConvertResult& result) override {
        if (m_mode == BatchMode::Decrypt) {
            RememberRestoredName(result);
        }
        if (KindOfOutcome(result.outcome) == OutcomeKind::Failed && result.outcome != ConvertOutcome::WrongPassword) {
            ++m_failed;
        }
    }
    // Whatever such an item holds stayed as it was.
    void FolderUnlistable(const PathString&, int) override { ++m_failed; }
    void SelectionItemUnreadable(const PathString&) override { ++m_failed; }

    unsigned Failed() const { return m_failed; }

private:
    BatchMode m_mode;
    ConversionObserver& m_progress;
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
    const int count = static_cast<int>(selection.size());
    int32_t total = 0;
    if (!CountSelection(selection.data(), count, &total) || total <= 0) {
        return BatchOutcome::NothingToDo;
    }
    unsigned failed = 0;
    {
        ProgressWindowScope progress(static_cast<uint32_t>(total), mode == BatchMode::Encrypt);
        FailureTally tally(mode, progress);
        ProcessSelection(selection.data(), count, mode, password.c_str(), &tally);
        failed = tally.Failed();
    }
    if (failed > 0) {
        MessageBoxW(owner, FailedFilesText(failed).c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    return BatchOutcome::Processed;
}

// One encrypt or decrypt command on the calling thread. The password stays in this call's own buffer
// and is wiped before it returns.
#include "batch_command.h"

#include <windows.h>

#include "batch_walker.h"
#include "global_dialogs.h"
#include "progress_window.h"
#include "shell_texts.h"

namespace {

// Counts the files a batch meant to convert but could not. A wrong password has its own message, and
// files the walk passes over were never meant to be converted.
class FailureTally final : public BatchObserver {
public:
    void FileConverted(const PathString&, const ConvertResult& result) override {
        if (KindOfOutcome(result.outcome) == OutcomeKind::Failed && result.outcome != ConvertOutcome::WrongPassword) {
            ++m_failed;
        }
    }
    // Whatever such an item holds stayed as it was.
    void FolderUnlistable(const PathString&) override { ++m_failed; }
    void SelectionItemUnreadable(const PathString&) override { ++m_failed; }

    unsigned Failed() const { return m_failed; }

private:
    unsigned m_failed = 0;
};

// The password of one command, wiped however the command ends.
class CommandPassword {
public:
    explicit CommandPassword(std::wstring password) : m_password(std::move(password)) {}
    CommandPassword(const CommandPassword&) = delete;
    CommandPassword& operator=(const CommandPassword&) = delete;
    ~CommandPassword() { SecureZeroMemory(m_password.data(), m_password.capacity() * sizeof(wchar_t)); }

    const wchar_t* Text() const { return m_password.c_str(); }

private:
    std::wstring m_password;
};

CommandPassword AskPassword(BatchMode mode, bool* cancelled) {
    if (mode == BatchMode::Encrypt) {
        CEncPwdDlg& dialog = EncryptPasswordDialog();
        *cancelled = dialog.DoModal() == IDCANCEL;
        return CommandPassword(*cancelled ? std::wstring() : dialog.TakePassword());
    }
    CDecPwdDlg& dialog = DecryptPasswordDialog();
    *cancelled = dialog.DoModal() == IDCANCEL;
    return CommandPassword(*cancelled ? std::wstring() : dialog.TakePassword());
}

} // namespace

BatchOutcome RunBatchCommand(BatchMode mode, const std::vector<std::wstring>& selection) {
    bool cancelled = false;
    const CommandPassword password = AskPassword(mode, &cancelled);
    if (cancelled) {
        return BatchOutcome::Cancelled;
    }
    const int count = static_cast<int>(selection.size());
    int32_t total = 0;
    if (!CountSelection(selection.data(), count, &total) || total <= 0) {
        return BatchOutcome::NothingToDo;
    }
    FailureTally tally;
    {
        ProgressWindowScope progress(static_cast<uint32_t>(total), mode == BatchMode::Encrypt);
        ProcessSelection(selection.data(), count, mode == BatchMode::Encrypt ? kModeEncrypt : kModeDecrypt,
                         password.Text(), &tally);
    }
    if (tally.Failed() > 0) {
        MessageBoxW(nullptr, FailedFilesText(tally.Failed()).c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    return BatchOutcome::Processed;
}

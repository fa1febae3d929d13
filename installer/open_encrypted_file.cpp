// OpenEncryptedFile: Qarnet's QvDecFile, the plain file opened with its associated program, a 2-second
// poll until that program ends (or the hand-over window when it ended at once or cannot be followed), and
// QvEncFile. Paths stay UTF-16 throughout, so any name works.
#include "open_encrypted_file.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "folder.h"
#include "full_path.h"
#include "whole_file.h"
#include "hand_over_dlg.h"
#include "installer_seam.h"
#include "installer_texts.h"
#include "module_path.h"
#include "qarnet_automation.h"
#include "win_handles.h"

namespace {

constexpr DWORD kPollMilliseconds = 2000;
// A program that ends this soon after it was started has most likely handed the file to an instance that
// was already running: its end says nothing about the user's work.
constexpr DWORD kHandOverMilliseconds = 5000;
// How long a program that keeps the file open after its process ended (a helper that lives on, a second
// instance) is waited for before the user is told that the file stays plain.
constexpr DWORD kHeldFileWaitMilliseconds = 10 * 60 * 1000;

class ComApartment {
public:
    ComApartment() : m_result(::CoInitialize(nullptr)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(m_result)) {
            ::CoUninitialize();
        }
    }
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};

unsigned short* AsTypeLibraryText(std::wstring& text) {
    return reinterpret_cast<unsigned short*>(text.data());
}

void WaitUntilProcessEnds(HANDLE process) {
    for (;;) {
        const DWORD state = ::WaitForSingleObject(process, 0);
        if (state == WAIT_OBJECT_0 || state == WAIT_FAILED) {
            return;
        }
        ::Sleep(kPollMilliseconds);
    }
}

// What became of the file's default action.
enum class Launch {
    Failed,   // nothing was started: no program has the file
    Followed, // the process that has the file is in the handle
    HandedOn, // the shell started the action but gave back no process to follow
};

// Starts the file with its default action; the process handle into process when there is one.
Launch LaunchWithAssociatedProgram(const std::wstring& plainPath, KernelHandle* process) {
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = plainPath.c_str();
    launch.lpParameters = L"";
    launch.nShow = SW_SHOW;
    if (!::ShellExecuteExW(&launch)) {
        return Launch::Failed;
    }
    KernelHandle started(launch.hProcess);
    if (!started || ShellGivesNoProcess()) {
        return Launch::HandedOn;
    }
    *process = std::move(started);
    return Launch::Followed;
}

// Waits for the started program; true when its end cannot mean that the user is done with the file.
bool ProgramHandedTheFileOn(const std::wstring& plainPath) {
    KernelHandle process;
    switch (LaunchWithAssociatedProgram(plainPath, &process)) {
    case Launch::Failed:
        return false;
    case Launch::HandedOn:
        return true;
    case Launch::Followed:
        break;
    }
    if (::WaitForSingleObject(process.get(), kHandOverMilliseconds) == WAIT_OBJECT_0) {
        return true;
    }
    WaitUntilProcessEnds(process.get());
    return false;
}

// QvEncFile forgets the password after one try, so it is called only once the file can be read whole.
bool EncryptAgainWhenFree(IQvShellExt& shellExt, std::wstring plainPath) {
    for (DWORD waited = 0; IsHeldByAnotherProgram(plainPath); waited += kPollMilliseconds) {
        if (waited >= kHeldFileWaitMilliseconds) {
            return false;
        }
        ::Sleep(kPollMilliseconds);
    }
    return shellExt.QvEncFile(AsTypeLibraryText(plainPath)) == S_OK;
}

void TellPlainFileLeft(const std::wstring& plainPath) {
    const std::wstring text = kPlainFileLeft.Get() + plainPath;
    ::MessageBoxW(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

} // namespace

void OpenEncryptedFile(const std::wstring& containerPath) {
    ComApartment apartment;
    if (apartment.Result() != S_OK) {
        return;
    }
    ComPtr<IQvShellExt> shellExt;
    if (FAILED(::CoCreateInstance(__uuidof(QvShellExt), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IQvShellExt),
                                  shellExt.put_void())) ||
        !shellExt) {
        return;
    }

    // The plain file is restored beside the container; a relative path is made full first so that its
    // folder is known.
    std::wstring container = MakeFullPath(containerPath).value_or(std::wstring());
    const std::wstring folder = FolderWithSeparator(container);
    if (folder.empty()) {
        return;
    }
    std::wstring restoredName(kRestoredNameUnits, L'\0');
    if (shellExt->QvDecFile(AsTypeLibraryText(container), AsTypeLibraryText(restoredName)) != S_OK) {
        return;
    }
    restoredName.resize(::wcsnlen(restoredName.c_str(), restoredName.size()));
    if (restoredName.empty()) {
        return;
    }
    const std::wstring plainPath = folder + restoredName;

    // The window is the user's only way to say when the work is done; a file its program has already
    // moved away needs none.
    if (ProgramHandedTheFileOn(plainPath) && ReadItemKind(plainPath).has_value()) {
        CHandOverDlg(plainPath).WaitForTheUser();
    }
    // A file that its program moved away or deleted is no longer ours to report.
    if (!EncryptAgainWhenFree(*shellExt.get(), plainPath) && ReadItemKind(plainPath).has_value()) {
        TellPlainFileLeft(plainPath);
    }
}

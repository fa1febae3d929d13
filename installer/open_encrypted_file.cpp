// OpenEncryptedFile: Qarnet's QvDecFile, the plain file opened with its associated program, a 2-second
// poll until that program ends, and QvEncFile. Paths stay UTF-16 throughout, so any name works.
#include "open_encrypted_file.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "folder.h"
#include "full_path.h"
#include "whole_file.h"
#include "installer_texts.h"
#include "module_path.h"
#include "qarnet_automation.h"
#include "win_handles.h"

namespace {

constexpr DWORD kPollMilliseconds = 2000;
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

// Starts the file with its default action. The process handle, or none when it could not be started
// or the shell handed the file on without one.
KernelHandle LaunchWithAssociatedProgram(const std::wstring& plainPath) {
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = plainPath.c_str();
    launch.lpParameters = L"";
    launch.nShow = SW_SHOW;
    if (!::ShellExecuteExW(&launch) || !launch.hProcess) {
        return {};
    }
    return KernelHandle(launch.hProcess);
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

    if (KernelHandle process = LaunchWithAssociatedProgram(plainPath)) {
        WaitUntilProcessEnds(process.get());
    }
    // A file that its program moved away or deleted is no longer ours to report.
    if (!EncryptAgainWhenFree(*shellExt.get(), plainPath) && ReadItemKind(plainPath).has_value()) {
        TellPlainFileLeft(plainPath);
    }
}

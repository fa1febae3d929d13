// The program's entry: the library search path made safe, the UI language, then the open-file mode when a
// path was passed, otherwise the install dialog. The command line is read wide, so any file name arrives
// intact.
#include "tolvane_app.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "open_encrypted_file.h"
#include "tolvane_dlg.h"
#include "ui_language.h"
#include "win_handles.h"

namespace {

CTolvaneApp theApp;

// Everything after the program name is the one path: the open command passes it in quotes, but a path
// typed without them, spaces and all, is taken whole as well.
std::wstring PathArgument(const wchar_t* arguments) {
    std::wstring path = arguments ? arguments : L"";
    const size_t first = path.find_first_not_of(L" \t");
    const size_t last = path.find_last_not_of(L" \t");
    if (first == std::wstring::npos) {
        return {};
    }
    path = path.substr(first, last - first + 1);
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
        path = path.substr(1, path.size() - 2);
    }
    return path;
}

} // namespace

int CTolvaneApp::Run() {
    InitInstance();
    return 0;
}

BOOL CTolvaneApp::InitInstance() {
    InitUiLanguage();

    int argumentCount = 0;
    UniqueHandle<LocalMemoryTraits<LPWSTR*>> arguments(::CommandLineToArgvW(::GetCommandLineW(), &argumentCount));
    if (arguments && argumentCount >= 2) {
        const std::wstring path = PathArgument(::PathGetArgsW(::GetCommandLineW()));
        if (!path.empty()) {
            OpenEncryptedFile(path);
        }
        return FALSE;
    }

    CTolvaneDlg dialog;
    dialog.DoModal();
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Runs elevated, usually from a download folder: every library loaded from here on, by us or by the
    // system on our behalf, comes from the system folder, so one planted beside the program is never
    // loaded. Qarnet.dll is loaded by its full path, which this still allows; its own imports are all
    // system libraries.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return theApp.Run();
}

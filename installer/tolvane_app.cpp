// The program's entry: the UI language, then the open-file mode when a path was passed, otherwise the
// install dialog. The command line is read wide, so any file name arrives intact.
#include "tolvane_app.h"

#include <shellapi.h>

#include <string>

#include "open_encrypted_file.h"
#include "tolvane_dlg.h"
#include "ui_language.h"
#include "win_handles.h"

namespace {

struct ArgumentListTraits {
    using Handle = LPWSTR*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};

CTolvaneApp theApp;

} // namespace

int CTolvaneApp::Run() {
    InitInstance();
    return 0;
}

BOOL CTolvaneApp::InitInstance() {
    InitUiLanguage();

    // The open command passes one quoted path; the quotes are optional here.
    int argumentCount = 0;
    UniqueHandle<ArgumentListTraits> arguments(::CommandLineToArgvW(::GetCommandLineW(), &argumentCount));
    if (arguments && argumentCount >= 2) {
        if (argumentCount == 2 && arguments.get()[1][0] != L'\0') {
            OpenEncryptedFile(arguments.get()[1]);
        }
        return FALSE;
    }

    CTolvaneDlg dialog;
    dialog.DoModal();
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return theApp.Run();
}

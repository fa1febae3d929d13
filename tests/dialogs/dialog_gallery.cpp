// Shows one dialog in the system's language, in a typical state, for scripts/screenshots.sh: writes the
// screen rectangle to photograph into a file and keeps the dialog up until that file is deleted.
//   dialog_gallery <encrypt|encrypt-refused|decrypt|progress|about> <rectangle file>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "about_dlg.h"
#include "dec_pwd_dlg.h"
#include "dialog_ids.h"
#include "dialog_robot.h"
#include "enc_pwd_dlg.h"
#include "prog_dlg.h"
#include "ui_language.h"

namespace robot = dialog_robot;

namespace {

std::string g_rectangleFile;

// Writes the union of the windows' rectangles (X root coordinates with unmanaged windows), then waits
// for the photographer to delete the file.
void PoseFor(std::initializer_list<HWND> windows) {
    RECT all{};
    for (HWND window : windows) {
        RECT r{};
        GetWindowRect(window, &r);
        UnionRect(&all, &all, &r);
    }
    {
        std::ofstream out(g_rectangleFile);
        out << (all.right - all.left) << ' ' << (all.bottom - all.top) << ' ' << all.left << ' ' << all.top << '\n';
    }
    while (GetFileAttributesA(g_rectangleFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Sleep(50);
    }
}

void ShowModal(CTolvaneDialog& dialog, std::initializer_list<int> edits, bool pressOk) {
    robot::RunModal([&] { return dialog.DoModal(); },
                    [&] {
                        HWND dlg = robot::WaitForDialogWithControl(IDOK);
                        if (!dlg) {
                            return;
                        }
                        robot::WaitForFocus(dlg);
                        for (int id : edits) {
                            robot::Type(dlg, id, L"secret");
                        }
                        if (!pressOk) {
                            Sleep(300);
                            PoseFor({dlg});
                            return;
                        }
                        robot::Click(dlg, IDOK);
                        robot::MessageBoxInfo box = robot::WaitForMessageBox(dlg);
                        if (box) {
                            // Under Xvfb a box stacked over its owner never shows its content:
                            // photograph it beside the dialog instead.
                            RECT dialogFrame{};
                            GetWindowRect(dlg, &dialogFrame);
                            SetWindowPos(box.window, nullptr, dialogFrame.right + 16, dialogFrame.top, 0, 0,
                                         SWP_NOSIZE | SWP_NOZORDER);
                            Sleep(500);
                            PoseFor({box.window});
                        }
                    });
}

void ShowProgress() {
    CProgDlg progress;
    progress.m_nTotalFiles = 12;
    if (!progress.Create()) {
        return;
    }
    for (int file = 0; file < 5; ++file) {
        progress.UpdateProgress(L"C:\\Users\\Mei\\Documents\\Quarterly reports\\2026\\Q3 summary.xlsx", 40u << 20, 0);
    }
    for (int chunk = 0; chunk < 26; ++chunk) {
        progress.UpdateProgress(nullptr, 0, 1u << 20);
    }
    std::atomic<bool> photographed{false};
    std::thread photographer([&] {
        PoseFor({progress.GetSafeHwnd()});
        photographed = true;
    });
    while (!photographed) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    photographer.join();
    progress.DestroyWindow();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_gallery <encrypt|encrypt-refused|decrypt|progress|about> <file>\n");
        return 2;
    }
    InitUiLanguage();
    g_rectangleFile = argv[2];
    const std::string which = argv[1];
    if (which == "encrypt") {
        CEncPwdDlg dialog;
        ShowModal(dialog, {IDC_ENC_PASSWORD, IDC_ENC_CONFIRM}, false);
    } else if (which == "encrypt-refused") {
        CEncPwdDlg dialog;
        ShowModal(dialog, {}, true);
    } else if (which == "decrypt") {
        CDecPwdDlg dialog;
        ShowModal(dialog, {IDC_DEC_PASSWORD}, false);
    } else if (which == "about") {
        CAboutDlg dialog;
        ShowModal(dialog, {}, false);
    } else if (which == "progress") {
        ShowProgress();
    } else {
        return 2;
    }
    return 0;
}

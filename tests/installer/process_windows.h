// Finding the dialogs and message boxes of another process (Tolvane.exe started by a test). Once found,
// the dialog robot's typing, clicking and reading work on them as on the test's own windows.
#pragma once

#include <windows.h>

#include <string>

#include "dialog_robot.h"

namespace process_windows {

// A visible dialog (not a message box) of the process whose caption is exactly caption.
HWND WaitForDialog(DWORD processId, const std::wstring& caption,
                   dialog_robot::Timeout timeout = dialog_robot::kDefaultTimeout);

// A visible message box of the process.
dialog_robot::MessageBoxInfo WaitForMessageBox(DWORD processId,
                                               dialog_robot::Timeout timeout = dialog_robot::kDefaultTimeout);

} // namespace process_windows

// The dialog robot: drives this process's dialogs from a second thread as a user would, for tests of
// anything that shows a dialog or a message box (password dialogs, COM server commands, the installer).
//
// Typical use: the test thread shows a modal dialog; a script on another thread finds it, types, clicks
// and reads the message boxes it raises:
//
//   INT_PTR result = dialog_robot::RunModal([&] { return dialog.DoModal(); }, [&] {
//       HWND dlg = dialog_robot::WaitForDialog(L"Password");
//       dialog_robot::Type(dlg, 206, L"secret");
//       dialog_robot::Click(dlg, IDOK);
//       auto box = dialog_robot::WaitForMessageBox(dlg);
//       EXPECT_EQ(box.text, L"...");
//       dialog_robot::DismissMessageBox(box.window);
//       dialog_robot::Click(dlg, IDCANCEL);
//   });
//
// Waiting functions poll EnumWindows every 20 ms for at most the timeout (10 s by default) and give
// nullptr (or an empty result) when nothing turns up. A dialog counts once it is visible, that is after
// its WM_INITDIALOG, so text limits set there are already in force. Nothing here depends on a test
// framework; the script asserts with whatever it likes.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace dialog_robot {

using Timeout = std::chrono::milliseconds;
inline constexpr Timeout kDefaultTimeout{10000};

// Every visible dialog window (class #32770) of this process, topmost first.
std::vector<HWND> VisibleDialogs();

// A visible dialog of this process whose caption is exactly caption.
HWND WaitForDialog(const std::wstring& caption, Timeout timeout = kDefaultTimeout);
// A visible dialog of this process that has a control with controlId (e.g. an edit that only one
// template holds); message boxes are never matched.
HWND WaitForDialogWithControl(int controlId, Timeout timeout = kDefaultTimeout);

// A message box: a dialog whose text is the static with id 0xFFFF.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr; // the system icon shown, e.g. LoadIconW(nullptr, IDI_EXCLAMATION)
    explicit operator bool() const { return window != nullptr; }
};
// A visible message box owned by owner (any owner when owner is nullptr).
MessageBoxInfo WaitForMessageBox(HWND owner = nullptr, Timeout timeout = kDefaultTimeout);
// Presses the box's only (or default) button and waits until it has gone.
bool DismissMessageBox(HWND box, Timeout timeout = kDefaultTimeout);

// Types text into a control one character at a time (WM_CHAR), as the keyboard would: text limits,
// password masking and the control's own filters apply.
void Type(HWND dialog, int controlId, const std::wstring& text);
// Selects the whole text of an edit control and deletes it with Backspace.
void ClearText(HWND dialog, int controlId);
// Presses a key on the dialog's focused control, once it has one (WM_KEYDOWN/WM_KEYUP posted
// through the dialog's message loop, so the dialog manager sees it: Enter, Esc, Tab).
void PressKey(HWND dialog, UINT virtualKey);
// Clicks a button (BM_CLICK posted, so a modal loop that the click opens does not block the robot).
void Click(HWND dialog, int controlId);
// Posts WM_COMMAND with the id to the dialog, as a hidden button or an accelerator would.
void PostCommand(HWND dialog, int commandId);

// Texts, read synchronously.
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// The control that has the keyboard focus in the dialog's thread (nullptr while no window of it is
// active).
HWND FocusedControl(HWND dialog);
// Waits until the focus is on the dialog or one of its controls (a dialog becomes active a moment
// after it is shown) and gives that window; nullptr on time-out.
HWND WaitForFocus(HWND dialog, Timeout timeout = kDefaultTimeout);

// Waits until the window is gone or hidden.
bool WaitUntilClosed(HWND window, Timeout timeout = kDefaultTimeout);

// Runs showModal on the calling thread (it must create its window on this thread and return when the
// dialog ends) while script runs on a second thread. When the script has returned and showModal has not
// within the default timeout, the robot cancels every dialog of the process so that the test cannot
// hang; the result then is whatever showModal returned. The script's thread is joined before RunModal returns.
INT_PTR RunModal(const std::function<INT_PTR()>& showModal, const std::function<void()>& script);

} // namespace dialog_robot

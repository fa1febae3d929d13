// The dialog robot: window search by polling EnumWindows, typing, clicking and message boxes.
#include "dialog_robot.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace dialog_robot {

namespace {

constexpr Timeout kPollInterval{20};
constexpr int kMessageBoxTextId = 0xFFFF;
// The icon static of a message box: stc1 (0x0440) in Wine's template, 20 in Windows'.
constexpr int kMessageBoxIconIds[] = {0x0440, 20};

bool IsVisibleDialogOfThisProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) {
        return false;
    }
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wstring(className) == L"#32770";
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
    if (IsVisibleDialogOfThisProcess(window)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

template <class Predicate> HWND PollForDialog(Timeout timeout, Predicate matches) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (HWND dialog : VisibleDialogs()) {
            if (matches(dialog)) {
                return dialog;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool IsMessageBox(HWND dialog) {
    return GetDlgItem(dialog, kMessageBoxTextId) != nullptr;
}

} // namespace

std::vector<HWND> VisibleDialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

HWND WaitForDialog(const std::wstring& caption, Timeout timeout) {
    return PollForDialog(timeout, [&](HWND dialog) { return !IsMessageBox(dialog) && WindowText(dialog) == caption; });
}

HWND WaitForDialogWithControl(int controlId, Timeout timeout) {
    return PollForDialog(
        timeout, [&](HWND dialog) { return !IsMessageBox(dialog) && GetDlgItem(dialog, controlId) != nullptr; });
}

MessageBoxInfo WaitForMessageBox(HWND owner, Timeout timeout) {
    HWND box = PollForDialog(
        timeout, [&](HWND dialog) { return IsMessageBox(dialog) && (!owner || GetWindow(dialog, GW_OWNER) == owner); });
    if (!box) {
        return {};
    }
    MessageBoxInfo info{box, WindowText(box), ControlText(box, kMessageBoxTextId)};
    for (int id : kMessageBoxIconIds) {
        if (HWND icon = GetDlgItem(box, id)) {
            info.icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
            break;
        }
    }
    return info;
}

bool DismissMessageBox(HWND box, Timeout timeout) {
    // A box with one button gives it the id IDOK; MB_OK boxes also close on IDCANCEL.
    if (GetDlgItem(box, IDOK)) {
        Click(box, IDOK);
    } else {
        PostCommand(box, IDCANCEL);
    }
    return WaitUntilClosed(box, timeout);
}

void Type(HWND dialog, int controlId, const std::wstring& text) {
    HWND control = GetDlgItem(dialog, controlId);
    for (wchar_t unit : text) {
        SendMessageW(control, WM_CHAR, unit, 1);
    }
}

void ClearText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    SendMessageW(control, EM_SETSEL, 0, -1);
    SendMessageW(control, WM_CHAR, VK_BACK, 1);
}

void PressKey(HWND dialog, UINT virtualKey) {
    HWND target = WaitForFocus(dialog);
    if (!target) {
        target = dialog;
    }
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16)));
    PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16) | (3u << 30)));
}

void Click(HWND dialog, int controlId) {
    PostMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

void PostCommand(HWND dialog, int commandId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED), 0);
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowText: the latter does not ask windows of other threads for a
    // control's text.
    const auto length = static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length, L'\0');
    const auto copied = SendMessageW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring ControlText(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control ? WindowText(control) : std::wstring();
}

HWND FocusedControl(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

HWND WaitForFocus(HWND dialog, Timeout timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        HWND focus = FocusedControl(dialog);
        if (focus && (focus == dialog || IsChild(dialog, focus))) {
            return focus;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool WaitUntilClosed(HWND window, Timeout timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

INT_PTR RunModal(const std::function<INT_PTR()>& showModal, const std::function<void()>& script) {
    std::atomic<bool> shown = false;
    std::thread driver([&] {
        script();
        // What the script started may go on for a while after it (a batch with its progress window, a
        // closing message): give it time to end by itself before anything is cancelled.
        const auto deadline = std::chrono::steady_clock::now() + kDefaultTimeout;
        while (!shown && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPollInterval);
        }
        // Whatever the script left open is cancelled, message boxes first, so the modal loop ends.
        for (int round = 0; round < 50 && !shown; ++round) {
            const std::vector<HWND> open = VisibleDialogs();
            if (open.empty()) {
                break;
            }
            for (HWND dialog : open) {
                PostCommand(dialog, IDCANCEL);
            }
            std::this_thread::sleep_for(kPollInterval * 5);
        }
    });
    const INT_PTR result = showModal();
    shown = true;
    driver.join();
    return result;
}

} // namespace dialog_robot

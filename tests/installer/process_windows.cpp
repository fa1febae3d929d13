// Polls EnumWindows for the visible dialogs of one process.
#include "process_windows.h"

#include <chrono>
#include <thread>
#include <vector>

namespace process_windows {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    DWORD processId;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogOfProcess(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (owner == search.processId && ::IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        search.dialogs.push_back(window);
    }
    return TRUE;
}

template <class Predicate> HWND PollForDialog(DWORD processId, dialog_robot::Timeout timeout, Predicate matches) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Search search{processId, {}};
        ::EnumWindows(CollectDialogOfProcess, reinterpret_cast<LPARAM>(&search));
        for (HWND dialog : search.dialogs) {
            if (matches(dialog)) {
                return dialog;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool IsMessageBox(HWND dialog) {
    return ::GetDlgItem(dialog, kMessageBoxTextId) != nullptr;
}

} // namespace

HWND WaitForDialog(DWORD processId, const std::wstring& caption, dialog_robot::Timeout timeout) {
    return PollForDialog(processId, timeout, [&](HWND dialog) {
        return !IsMessageBox(dialog) && dialog_robot::WindowText(dialog) == caption;
    });
}

dialog_robot::MessageBoxInfo WaitForMessageBox(DWORD processId, dialog_robot::Timeout timeout) {
    HWND box = PollForDialog(processId, timeout, IsMessageBox);
    if (!box) {
        return {};
    }
    return {box, dialog_robot::WindowText(box), dialog_robot::ControlText(box, kMessageBoxTextId)};
}

} // namespace process_windows

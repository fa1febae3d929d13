// What a chosen menu command does once its handler has the selection, the same for both menus.
#include "menu_command.h"

#include "batch_command.h"
#include "busy_guard.h"
#include "shell_texts.h"
#include "system_folders.h"
#include "global_dialogs.h"

namespace {

// The first of the folders Windows and its programs need that an item of the selection is, lies inside or
// holds; nothing when the selection touches none.
std::optional<std::wstring> SystemFolderInSelection(const std::vector<std::wstring>& selection) {
    const std::vector<SystemFolder> folders = WindowsSystemFolders();
    for (const std::wstring& item : selection) {
        if (auto folder = SystemFolderTouchedBy(item, folders)) {
            return folder->path;
        }
    }
    return std::nullopt;
}

} // namespace

HRESULT RunMenuCommand(MenuCommand command, std::vector<std::wstring>& selection, HWND owner) {
    if (!SelectionWithinLimit(selection.size())) {
        return E_INVALIDARG;
    }
    if (command != MenuCommand::About && selection.empty()) {
        return S_OK;
    }
    BusyGuard busy;
    if (!busy.Acquired()) {
        ShowBusyMessage(owner);
        return S_OK;
    }
    if (command == MenuCommand::About) {
        AboutDialog().DoModal(owner);
        return S_OK;
    }
    if (command == MenuCommand::Encrypt) {
        // The items were chosen together: none of them is converted.
        if (const auto folder = SystemFolderInSelection(selection)) {
            MessageBoxW(owner, SystemFolderText(*folder).c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
            return S_OK;
        }
    }
    const BatchMode mode = command == MenuCommand::Encrypt ? BatchMode::Encrypt : BatchMode::Decrypt;
    if (RunBatchCommand(mode, selection, owner) == BatchOutcome::Processed) {
        selection.clear();
    }
    return S_OK;
}

// QvShellExt as Explorer's context-menu handler: taking the selection, adding the five menu entries,
// the help text, and carrying out the three commands.
#include <windows.h>

#include <iterator>

#include "batch_command.h"
#include "busy_guard.h"
#include "drop_selection.h"
#include "global_dialogs.h"
#include "menu_bitmap.h"
#include "qv_shell_ext.h"
#include "shell_texts.h"

namespace {

enum CommandOffset : UINT { kEncryptCommand = 0, kDecryptCommand = 1, kAboutCommand = 2, kCommandCount = 3 };

} // namespace

HRESULT QvShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
    return ReadDropSelection(dataObject, &m_fileList);
}

HRESULT QvShellExt::QueryContextMenu(HMENU menu, UINT position, UINT firstCommand, UINT, UINT flags) {
    if (flags & CMF_DEFAULTONLY) {
        return S_OK;
    }
    InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    for (UINT offset = 0; offset < kCommandCount; ++offset) {
        InsertMenuW(menu, position + 1 + offset, MF_BYPOSITION | MF_STRING, firstCommand + offset, MenuCaption(offset));
    }
    InsertMenuW(menu, position + 1 + kCommandCount, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (HBITMAP bitmap = MenuBitmap()) {
        for (UINT offset = 0; offset < kCommandCount; ++offset) {
            SetMenuItemBitmaps(menu, position + 1 + offset, MF_BYPOSITION, bitmap, bitmap);
        }
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kCommandCount);
}

HRESULT QvShellExt::GetCommandString(UINT_PTR commandOffset, UINT requestType, UINT*, CHAR* buffer, UINT bufferChars) {
    if (commandOffset != kEncryptCommand || buffer == nullptr) {
        return E_INVALIDARG;
    }
    switch (requestType) {
    case GCS_HELPTEXTW:
        lstrcpynW(reinterpret_cast<wchar_t*>(buffer), kEncryptHelpText, static_cast<int>(bufferChars));
        return S_OK;
    case GCS_HELPTEXTA: {
        char ansi[std::size(kEncryptHelpText) * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, kEncryptHelpText, -1, ansi, sizeof(ansi), nullptr, nullptr);
        lstrcpynA(buffer, ansi, static_cast<int>(bufferChars));
        return S_OK;
    }
    default:
        return E_INVALIDARG;
    }
}

HRESULT QvShellExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    // A verb string is a pointer; an offset fits in the low 16 bits with nothing above them.
    if (info == nullptr || !IS_INTRESOURCE(info->lpVerb)) {
        return E_INVALIDARG;
    }
    const UINT offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    if (offset >= kCommandCount) {
        return E_INVALIDARG;
    }
    if (offset != kAboutCommand && m_fileList.empty()) {
        return S_OK;
    }
    BusyGuard busy;
    if (!busy.Acquired()) {
        ShowBusyMessage();
        return S_OK;
    }
    if (offset == kAboutCommand) {
        AboutDialog().DoModal();
        return S_OK;
    }
    const BatchMode mode = offset == kEncryptCommand ? BatchMode::Encrypt : BatchMode::Decrypt;
    if (RunBatchCommand(mode, m_fileList) == BatchOutcome::Processed) {
        m_fileList.clear();
    }
    return S_OK;
}

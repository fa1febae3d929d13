// QvShellExt as Explorer's context-menu handler: taking the selection, adding the five menu entries,
// the help text, and carrying out the three commands.
#include <windows.h>

#include <iterator>

#include "drop_selection.h"
#include "menu_bitmap.h"
#include "menu_command.h"
#include "qv_shell_ext.h"
#include "shell_texts.h"
#include "win_handles.h"

HRESULT QvShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
    return ReadDropSelection(dataObject, &m_fileList);
}

HRESULT QvShellExt::QueryContextMenu(HMENU menu, UINT position, UINT firstCommand, UINT, UINT flags) {
    if (flags & CMF_DEFAULTONLY) {
        return S_OK;
    }
    InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    for (UINT offset = 0; offset < kMenuCommandCount; ++offset) {
        InsertMenuW(menu, position + 1 + offset, MF_BYPOSITION | MF_STRING, firstCommand + offset, MenuCaption(offset));
    }
    InsertMenuW(menu, position + 1 + kMenuCommandCount, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    if (HBITMAP bitmap = MenuBitmap()) {
        for (UINT offset = 0; offset < kMenuCommandCount; ++offset) {
            SetMenuItemBitmaps(menu, position + 1 + offset, MF_BYPOSITION, bitmap, bitmap);
        }
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kMenuCommandCount);
}

HRESULT QvShellExt::GetCommandString(UINT_PTR commandOffset, UINT requestType, UINT*, CHAR* buffer, UINT bufferChars) {
    if (commandOffset != static_cast<UINT>(MenuCommand::Encrypt) || buffer == nullptr) {
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
    if (offset >= kMenuCommandCount) {
        return E_INVALIDARG;
    }
    // The host may release this object while the command reads the thread's messages; the command keeps
    // it, and the selection it uses, alive until it returns.
    AddRef();
    const ComPtr<IContextMenu> keepAlive(this);
    // The classic menu gives its commands no owner window.
    return RunMenuCommand(static_cast<MenuCommand>(offset), m_fileList, nullptr);
}

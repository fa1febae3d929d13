// The Windows 11 menu's entry and its sub-commands: titles, icon, tool tip, canonical names, state and
// flags, and the hand-over of a chosen command to the one function both menus share.
#include "explorer_command.h"

#include <iterator>
#include <string>
#include <vector>

#include "com_object.h"
#include "module_path.h"
#include "qarnet_resources.h"
#include "shell_item_selection.h"
#include "shell_texts.h"
#include "this_module.h"

namespace {

// Fixed for ever: the shell and scripts know a command by this name, whatever its title.
const GUID kCanonicalNames[kMenuCommandCount] = {
    {0x8E8E76A1, 0xBE25, 0x4D63, {0x8E, 0x87, 0xB3, 0xF7, 0x44, 0xDD, 0xDB, 0x07}}, // encrypt
    {0x35E7CC82, 0x9A2E, 0x45E2, {0xBA, 0x32, 0xBC, 0x15, 0x55, 0x48, 0xC0, 0x77}}, // decrypt
    {0x41695A22, 0x2BCD, 0x477B, {0xAE, 0x64, 0xA6, 0x97, 0x8E, 0x0A, 0xC3, 0xE5}}, // about
};

HRESULT DuplicateText(const wchar_t* text, LPWSTR* result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    return SHStrDupW(text, result);
}

// The module's long full path and the icon's resource id, as the shell reads an icon location. COM may
// have loaded the module through the short path that registration writes.
std::wstring MenuIconLocation() {
    std::wstring path = ModuleFullPath(ThisModule());
    if (path.empty()) {
        return {};
    }
    const DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring longPath(needed, L'\0');
        const DWORD length = GetLongPathNameW(path.c_str(), longPath.data(), needed);
        if (length > 0 && length < needed) {
            longPath.resize(length);
            path = std::move(longPath);
        }
    }
    return path + L",-" + std::to_wstring(IDI_MENU_ICON);
}

ComPtr<IUnknown> SharedReference(IUnknown* object) {
    if (object != nullptr) {
        object->AddRef();
    }
    return ComPtr<IUnknown>(object);
}

// What a command does not have: the out-parameter emptied, E_NOTIMPL.
template <class Result> HRESULT NotImplemented(Result** result) {
    if (result != nullptr) {
        *result = nullptr;
    }
    return E_NOTIMPL;
}

} // namespace

ExplorerCommandBase::ExplorerCommandBase(std::optional<MenuCommand> command, IUnknown* site)
    : m_command(command), m_site(SharedReference(site)) {}

HRESULT ExplorerCommandBase::GetTitle(IShellItemArray*, LPWSTR* name) {
    return DuplicateText(m_command ? MenuCaption(static_cast<UINT>(*m_command)) : kMenuTitle, name);
}

HRESULT ExplorerCommandBase::GetIcon(IShellItemArray*, LPWSTR* icon) {
    const std::wstring location = MenuIconLocation();
    if (location.empty()) {
        if (icon != nullptr) {
            *icon = nullptr;
        }
        return E_FAIL;
    }
    return DuplicateText(location.c_str(), icon);
}

HRESULT ExplorerCommandBase::GetToolTip(IShellItemArray*, LPWSTR* infoTip) {
    if (m_command != MenuCommand::Encrypt) {
        return NotImplemented(infoTip);
    }
    return DuplicateText(kEncryptHelpText, infoTip);
}

HRESULT ExplorerCommandBase::GetCanonicalName(GUID* name) {
    if (name == nullptr) {
        return E_POINTER;
    }
    *name = m_command ? kCanonicalNames[static_cast<UINT>(*m_command)] : CLSID_QvExplorerCommand;
    return S_OK;
}

HRESULT ExplorerCommandBase::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    // A selection the commands would refuse hides the whole entry, as the classic menu shows nothing.
    *state = SelectionWithinLimit(ShellItemCount(items)) ? ECS_ENABLED : ECS_HIDDEN;
    return S_OK;
}

HRESULT ExplorerCommandBase::Invoke(IShellItemArray* items, IBindCtx*) {
    if (!m_command) {
        return E_NOTIMPL;
    }
    std::vector<std::wstring> selection;
    if (HRESULT hr = ReadShellItemSelection(items, &selection); FAILED(hr)) {
        return hr;
    }
    // The host may release this command while it reads the thread's messages.
    IExplorerCommand* self = this;
    self->AddRef();
    const ComPtr<IExplorerCommand> keepAlive(self);
    return RunMenuCommand(*m_command, selection, OwnerWindow());
}

HRESULT ExplorerCommandBase::GetFlags(EXPCMDFLAGS* flags) {
    if (flags == nullptr) {
        return E_POINTER;
    }
    *flags = m_command ? ECF_DEFAULT : ECF_HASSUBCOMMANDS;
    return S_OK;
}

HRESULT ExplorerCommandBase::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (m_command) {
        return NotImplemented(commands);
    }
    return CreateSubCommandEnumerator(m_site.get(), commands);
}

HRESULT ExplorerCommandBase::SetSite(IUnknown* site) {
    m_site = SharedReference(site);
    return S_OK;
}

HRESULT ExplorerCommandBase::GetSite(REFIID riid, void** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    return m_site ? m_site->QueryInterface(riid, result) : E_FAIL;
}

HWND ExplorerCommandBase::OwnerWindow() const {
    HWND window = nullptr;
    if (m_site && FAILED(IUnknown_GetWindow(m_site.get(), &window))) {
        window = nullptr;
    }
    return window;
}

HRESULT QvExplorerCommand::Create(IUnknown* outer, REFIID riid, void** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    return CreateComObject<QvExplorerCommand>(riid, result);
}

const QITAB* QvExplorerCommand::Interfaces() {
    static const QITAB kInterfaces[] = {
        QITABENT(QvExplorerCommand, IExplorerCommand),
        QITABENT(QvExplorerCommand, IObjectWithSite),
        {nullptr, 0},
    };
    return kInterfaces;
}

const QITAB* QvExplorerSubCommand::Interfaces() {
    static const QITAB kInterfaces[] = {
        QITABENT(QvExplorerSubCommand, IExplorerCommand),
        QITABENT(QvExplorerSubCommand, IObjectWithSite),
        {nullptr, 0},
    };
    return kInterfaces;
}

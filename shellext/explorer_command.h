// QvExplorerCommand: Tolvane's entry in the Windows 11 menu, "Tolvane" with the three commands of the
// classic menu below it, each its own command object. What they carry out is exactly what the classic
// menu carries out (menu_command.h).
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <optional>

#include "menu_command.h"
#include "qarnet_interfaces.h"
#include "win_handles.h"

// The entry and its sub-commands are one kind of command object: the top entry is the one without a
// command of its own, which shows the sub-commands instead of carrying anything out. Here are the whole
// IExplorerCommand and the site the shell may give, whose window owns the dialogs of a command.
class ExplorerCommandBase : public IExplorerCommand, public IObjectWithSite {
public:
    // IExplorerCommand
    STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    // Only the encrypt command has one, as in the classic menu.
    STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override;
    STDMETHODIMP GetCanonicalName(GUID* name) override;
    // Quick, for the shell calls it on its UI thread: only the number of items is read.
    STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    // A sub-command: the paths of the items, then the command as the classic menu runs it. The top
    // entry carries out nothing (E_NOTIMPL).
    STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    // The top entry's three sub-commands; a sub-command has none (E_NOTIMPL).
    STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** result) override;

protected:
    // command is nothing for the top entry.
    ExplorerCommandBase(std::optional<MenuCommand> command, IUnknown* site);
    ~ExplorerCommandBase() = default;

private:
    // The site's window, or none.
    HWND OwnerWindow() const;

    std::optional<MenuCommand> m_command;
    ComPtr<IUnknown> m_site;
};

// The top entry: "Tolvane", its icon and the sub-commands.
class QvExplorerCommand : public ExplorerCommandBase {
public:
    // Never aggregated: an outer object gives CLASS_E_NOAGGREGATION.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** result);
    static const QITAB* Interfaces();

protected:
    QvExplorerCommand() : ExplorerCommandBase(std::nullopt, nullptr) {}
    ~QvExplorerCommand() = default;
};

// Encrypt, decrypt or about, under the top entry.
class QvExplorerSubCommand : public ExplorerCommandBase {
public:
    static const QITAB* Interfaces();

protected:
    QvExplorerSubCommand(MenuCommand command, IUnknown* site) : ExplorerCommandBase(command, site) {}
    ~QvExplorerSubCommand() = default;
};

// The three sub-commands in menu order, each made when it is fetched and given the site.
HRESULT CreateSubCommandEnumerator(IUnknown* site, IEnumExplorerCommand** result);

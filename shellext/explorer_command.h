// QvExplorerCommand: Tolvane's entry in the Windows 11 menu, "Tolvane" with the three commands of the
// classic menu below it, each its own command object. What they carry out is exactly what the classic
// menu carries out (menu_command.h).
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "menu_command.h"
#include "qarnet_interfaces.h"
#include "win_handles.h"

// What the entry and its sub-commands share: the icon, the state, and the site the shell may give,
// whose window owns the dialogs of a command.
class ExplorerCommandBase : public IExplorerCommand, public IObjectWithSite {
public:
    // IExplorerCommand
    STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    // Quick, for the shell calls it on its UI thread: only the number of items is read.
    STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** result) override;

protected:
    explicit ExplorerCommandBase(IUnknown* site);
    ~ExplorerCommandBase() = default;

    IUnknown* Site() const { return m_site.get(); }
    // The site's window, or none.
    HWND OwnerWindow() const;

private:
    ComPtr<IUnknown> m_site;
};

// The top entry: a title, an icon and the sub-commands; it carries out nothing itself.
class QvExplorerCommand : public ExplorerCommandBase {
public:
    // Never aggregated: an outer object gives CLASS_E_NOAGGREGATION.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** result);
    static const QITAB* Interfaces();

    STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override;
    STDMETHODIMP GetCanonicalName(GUID* name) override;
    STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

protected:
    QvExplorerCommand() : ExplorerCommandBase(nullptr) {}
    ~QvExplorerCommand() = default;
};

// Encrypt, decrypt or about, under the top entry.
class QvExplorerSubCommand : public ExplorerCommandBase {
public:
    static const QITAB* Interfaces();

    STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override;
    STDMETHODIMP GetCanonicalName(GUID* name) override;
    // The paths of the items, then the command as the classic menu runs it.
    STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

protected:
    QvExplorerSubCommand(MenuCommand command, IUnknown* site) : ExplorerCommandBase(site), m_command(command) {}
    ~QvExplorerSubCommand() = default;

private:
    MenuCommand m_command;
};

// The three sub-commands in menu order, each made when it is fetched and given the site.
HRESULT CreateSubCommandEnumerator(IUnknown* site, IEnumExplorerCommand** result);

// QvShellExt: the context-menu handler Explorer creates for a selection, and the automation object whose
// IQvShellExt decrypts one container and encrypts it again.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "module_lock.h"
#include "qarnet_interfaces.h"

class QvShellExt final : public IQvShellExt, public IShellExtInit, public IContextMenu {
public:
    // Makes an object, standalone or as the inner part of outer (then only IUnknown may be asked for).
    static HRESULT Create(IUnknown* outer, REFIID riid, void** result);

    // IUnknown: through the controlling unknown, so that an aggregate has one identity.
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, from the registered type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** result) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    // IQvShellExt. The type library declares the strings as unsigned 16-bit units.
    STDMETHODIMP QvDecFile(unsigned short* pszName, unsigned short* pszFile) override;
    STDMETHODIMP QvEncFile(unsigned short* pszName) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* dataObject, HKEY progIdKey) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT firstCommand, UINT lastCommand, UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR commandOffset, UINT requestType, UINT* reserved, CHAR* buffer,
                                  UINT bufferChars) override;

private:
    // The object's own IUnknown: the identity when standalone, the inner unknown when aggregated.
    class OwnUnknown final : public IUnknown {
    public:
        explicit OwnUnknown(QvShellExt& object) : m_object(object) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        QvShellExt& m_object;
    };

    explicit QvShellExt(IUnknown* outer);
    ~QvShellExt() = default;

    ModuleLockHolder m_moduleLock;
    OwnUnknown m_ownUnknown;
    IUnknown* m_controllingUnknown;
    // A batch's worker and the shell's threads may hold references too, so the count is interlocked.
    LONG m_references = 1;
    // The selection from the last Initialize: full paths, any length. Empty when there is none.
    std::vector<std::wstring> m_fileList;
};

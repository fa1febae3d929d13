// The life of a QvShellExt object: creation, aggregation and the interface table QueryInterface searches.
#include "qv_shell_ext.h"

#include <shlwapi.h>

#include <new>

QvShellExt::QvShellExt(IUnknown* outer)
    : m_ownUnknown(*this), m_controllingUnknown(outer != nullptr ? outer : &m_ownUnknown) {}

HRESULT QvShellExt::Create(IUnknown* outer, REFIID riid, void** result) {
    *result = nullptr;
    auto* object = new (std::nothrow) QvShellExt(outer);
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    // The new object holds one reference on its own unknown; the query adds the caller's.
    const HRESULT hr = object->m_ownUnknown.QueryInterface(riid, result);
    object->m_ownUnknown.Release();
    return hr;
}

HRESULT QvShellExt::OwnUnknown::QueryInterface(REFIID riid, void** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    // When aggregated, the outer object must get this inner unknown for IUnknown, never an interface
    // whose IUnknown methods would route back to the outer object.
    if (riid == IID_IUnknown && m_object.m_controllingUnknown != this) {
        *result = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    // Searched in this order; IUnknown is answered with the first entry.
    static const QITAB kInterfaces[] = {
        QITABENT(QvShellExt, IShellExtInit),
        QITABENT(QvShellExt, IContextMenu),
        QITABENT(QvShellExt, IQvShellExt),
        QITABENTMULTI(QvShellExt, IDispatch, IQvShellExt),
        {nullptr, 0},
    };
    return QISearch(&m_object, kInterfaces, riid, result);
}

ULONG QvShellExt::OwnUnknown::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_object.m_references));
}

ULONG QvShellExt::OwnUnknown::Release() {
    const LONG count = InterlockedDecrement(&m_object.m_references);
    if (count == 0) {
        delete &m_object;
    }
    return static_cast<ULONG>(count);
}

HRESULT QvShellExt::QueryInterface(REFIID riid, void** result) {
    return m_controllingUnknown->QueryInterface(riid, result);
}

ULONG QvShellExt::AddRef() {
    return m_controllingUnknown->AddRef();
}

ULONG QvShellExt::Release() {
    return m_controllingUnknown->Release();
}

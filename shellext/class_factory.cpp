// DllGetClassObject and the one class factory it serves. The factory is made on first demand under a
// critical section and cached; while a client holds it, it keeps the module locked.
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "class_factory.h"
#include "module_lock.h"
#include "qarnet_interfaces.h"
#include "qv_shell_ext.h"

namespace {

class QvShellExtFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *result = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }

    // The cache owns one reference; every reference beyond it belongs to a client and locks the module.
    STDMETHODIMP_(ULONG) AddRef() override {
        const LONG count = InterlockedIncrement(&m_references);
        if (count == 2) {
            LockModule();
        }
        return static_cast<ULONG>(count);
    }

    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&m_references);
        if (count == 1) {
            UnlockModule();
        } else if (count == 0) {
            delete this;
        }
        return static_cast<ULONG>(count);
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        *result = nullptr;
        if (outer != nullptr && riid != IID_IUnknown) {
            return CLASS_E_NOAGGREGATION;
        }
        return QvShellExt::Create(outer, riid, result);
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) {
            LockModule();
        } else {
            UnlockModule();
        }
        return S_OK;
    }

private:
    LONG m_references = 1;
};

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CriticalSectionScope {
public:
    explicit CriticalSectionScope(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    CriticalSectionScope(const CriticalSectionScope&) = delete;
    CriticalSectionScope& operator=(const CriticalSectionScope&) = delete;
    ~CriticalSectionScope() { m_section.Leave(); }

private:
    CriticalSection& m_section;
};

CriticalSection g_factoryCacheLock;
QvShellExtFactory* g_cachedFactory = nullptr;

QvShellExtFactory* CachedFactory() {
    CriticalSectionScope scope(g_factoryCacheLock);
    if (g_cachedFactory == nullptr) {
        g_cachedFactory = new (std::nothrow) QvShellExtFactory;
    }
    return g_cachedFactory;
}

} // namespace

void ReleaseCachedClassFactory() {
    CriticalSectionScope scope(g_factoryCacheLock);
    if (g_cachedFactory != nullptr) {
        g_cachedFactory->Release();
        g_cachedFactory = nullptr;
    }
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (clsid != CLSID_QvShellExt) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    QvShellExtFactory* factory = CachedFactory();
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    return factory->QueryInterface(riid, result);
}

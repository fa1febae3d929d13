// DllGetClassObject and the class factories it serves, one per class of the module's class table. Each
// is made on first demand under a critical section and cached; while a client holds it, it keeps the
// module locked.
#include <windows.h>
#include <unknwn.h>

#include <new>

#include "class_factory.h"
#include "explorer_command.h"
#include "module_lock.h"
#include "qarnet_interfaces.h"
#include "qv_shell_ext.h"

namespace {

// Makes one object of a class, standalone or as the inner part of outer.
using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** result);

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) : m_create(create) {}

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
        return m_create(outer, riid, result);
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
    CreateFunction m_create;
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

// The class table: every class the module serves, with its cached factory.
struct ClassTableEntry {
    const CLSID& clsid;
    CreateFunction create;
    ClassFactory* cachedFactory;
};
ClassTableEntry g_classTable[] = {
    {CLSID_QvShellExt, QvShellExt::Create, nullptr},
    {CLSID_QvExplorerCommand, QvExplorerCommand::Create, nullptr},
};
CriticalSection g_factoryCacheLock;

ClassFactory* CachedFactory(ClassTableEntry& entry) {
    CriticalSectionScope scope(g_factoryCacheLock);
    if (entry.cachedFactory == nullptr) {
        entry.cachedFactory = new (std::nothrow) ClassFactory(entry.create);
    }
    return entry.cachedFactory;
}

} // namespace

void ReleaseCachedClassFactories() {
    CriticalSectionScope scope(g_factoryCacheLock);
    for (ClassTableEntry& entry : g_classTable) {
        if (entry.cachedFactory != nullptr) {
            entry.cachedFactory->Release();
            entry.cachedFactory = nullptr;
        }
    }
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    for (ClassTableEntry& entry : g_classTable) {
        if (clsid == entry.clsid) {
            ClassFactory* factory = CachedFactory(entry);
            if (factory == nullptr) {
                return E_OUTOFMEMORY;
            }
            return factory->QueryInterface(riid, result);
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

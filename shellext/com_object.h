// The IUnknown of the module's plain COM objects (never aggregated): a reference count, a hold on the
// module's lock count for the object's lifetime, and QueryInterface from the object's own QITAB table.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <new>
#include <utility>

#include "module_lock.h"

// Object derives from its interfaces and gives `static const QITAB* Interfaces()`; this class completes
// it. Only CreateComObject makes one.
template <class Object> class ComObject final : public Object {
public:
    template <class... Args> explicit ComObject(Args&&... args) : Object(std::forward<Args>(args)...) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** result) override {
        return QISearch(static_cast<Object*>(this), Object::Interfaces(), riid, result);
    }
    // The shell may hand its commands to other threads, so the count is interlocked.
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&m_references);
        if (count == 0) {
            delete this;
        }
        return static_cast<ULONG>(count);
    }

private:
    ~ComObject() = default;

    ModuleLockHolder m_moduleLock;
    LONG m_references = 1;
};

// A new object, with the caller's reference on the interface asked for.
template <class Object, class... Args> HRESULT CreateComObject(REFIID riid, void** result, Args&&... args) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    auto* object = new (std::nothrow) ComObject<Object>(std::forward<Args>(args)...);
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    // The new object holds one reference of its own; the query adds the caller's.
    const HRESULT hr = object->QueryInterface(riid, result);
    object->Release();
    return hr;
}

// The cached ITypeInfo of IQvShellExt. Late-bound callers on any apartment may ask at once, so the first
// load is serialised.
#include "dispatch_type_info.h"

#include <oleauto.h>

#include "qarnet_interfaces.h"
#include "module_global.h"
#include "win_handles.h"

namespace {

SRWLOCK g_typeInfoLock = SRWLOCK_INIT;
ModuleGlobal<ComPtr<ITypeInfo>> g_typeInfo;

} // namespace

HRESULT GetQvShellExtTypeInfo(ITypeInfo** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    AcquireSRWLockExclusive(&g_typeInfoLock);
    HRESULT hr = S_OK;
    if (!g_typeInfo.value()) {
        ComPtr<ITypeLib> library;
        hr = LoadRegTypeLib(LIBID_QARNETLib, kQarnetTypeLibMajor, kQarnetTypeLibMinor, LOCALE_NEUTRAL, library.put());
        if (SUCCEEDED(hr)) {
            hr = library->GetTypeInfoOfGuid(IID_IQvShellExt, g_typeInfo.value().put());
        }
    }
    if (SUCCEEDED(hr)) {
        g_typeInfo.value()->AddRef();
        *result = g_typeInfo.value().get();
    }
    ReleaseSRWLockExclusive(&g_typeInfoLock);
    return hr;
}

void ReleaseDispatchTypeInfo() {
    AcquireSRWLockExclusive(&g_typeInfoLock);
    g_typeInfo.value().reset();
    ReleaseSRWLockExclusive(&g_typeInfoLock);
}

// The cached ITypeInfo of IQvShellExt. Late-bound callers on any apartment may ask at once, so the first
// load is serialised.
#include "dispatch_type_info.h"

#include <oleauto.h>

#include "qarnet_interfaces.h"
#include "win_handles.h"

namespace {

SRWLOCK g_typeInfoLock = SRWLOCK_INIT;
ComPtr<ITypeInfo> g_typeInfo;

} // namespace

HRESULT GetQvShellExtTypeInfo(ITypeInfo** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    AcquireSRWLockExclusive(&g_typeInfoLock);
    HRESULT hr = S_OK;
    if (!g_typeInfo) {
        ComPtr<ITypeLib> library;
        hr = LoadRegTypeLib(LIBID_QARNETLib, kQarnetTypeLibMajor, kQarnetTypeLibMinor, LOCALE_NEUTRAL, library.put());
        if (SUCCEEDED(hr)) {
            hr = library->GetTypeInfoOfGuid(IID_IQvShellExt, g_typeInfo.put());
        }
    }
    if (SUCCEEDED(hr)) {
        g_typeInfo->AddRef();
        *result = g_typeInfo.get();
    }
    ReleaseSRWLockExclusive(&g_typeInfoLock);
    return hr;
}

void ReleaseDispatchTypeInfo() {
    AcquireSRWLockExclusive(&g_typeInfoLock);
    g_typeInfo.reset();
    ReleaseSRWLockExclusive(&g_typeInfoLock);
}

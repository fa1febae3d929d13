// QvShellExt as an automation object: IDispatch through the registered type library.
#include "dispatch_type_info.h"
#include "qv_shell_ext.h"
#include "win_handles.h"

HRESULT QvShellExt::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT QvShellExt::GetTypeInfo(UINT index, LCID, ITypeInfo** result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return GetQvShellExtTypeInfo(result);
}

HRESULT QvShellExt::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids) {
    if (riid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ComPtr<ITypeInfo> typeInfo;
    if (HRESULT hr = GetQvShellExtTypeInfo(typeInfo.put()); FAILED(hr)) {
        return hr;
    }
    return DispGetIDsOfNames(typeInfo.get(), names, nameCount, ids);
}

HRESULT QvShellExt::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) {
    if (riid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ComPtr<ITypeInfo> typeInfo;
    if (HRESULT hr = GetQvShellExtTypeInfo(typeInfo.put()); FAILED(hr)) {
        return hr;
    }
    return typeInfo->Invoke(static_cast<IQvShellExt*>(this), id, flags, params, result, exception, argumentError);
}

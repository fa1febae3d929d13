// The type information of IQvShellExt from the registered type library, behind the class's IDispatch.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Loaded on the first call in the process and held until the module unloads. Fails before registration.
HRESULT GetQvShellExtTypeInfo(ITypeInfo** result);
void ReleaseDispatchTypeInfo();

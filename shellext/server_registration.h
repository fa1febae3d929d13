// What DllRegisterServer and DllUnregisterServer do, step by step, for the module at the given path.
#pragma once

#include <windows.h>

#include <string>

// The Approved values under HKLM, one per class: the mark that lets Explorer load the extension.
HRESULT WriteApprovedValues();
void DeleteApprovedValues();

// The class, its ProgIDs and InprocServer32 under HKCR, from one table walked both ways.
HRESULT WriteClassKeys(const std::wstring& inprocServerPath);
void DeleteClassKeys();

// The type library carried as resource TYPELIB 1 of the module file.
HRESULT RegisterModuleTypeLib(const std::wstring& modulePath);
void UnregisterModuleTypeLib(const std::wstring& modulePath);

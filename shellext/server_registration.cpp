// DllRegisterServer and DllUnregisterServer: the Approved values first, then the class keys, then the
// type library. Registration stops at the first failure; unregistration ignores every failure.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

#include "module_path.h"
#include "qarnet_interfaces.h"
#include "registry_rows.h"
#include "server_registration.h"
#include "this_module.h"
#include "win_handles.h"

namespace {

constexpr wchar_t kApprovedKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// One value per class that Explorer may load, named by the class identifier.
struct ApprovedValue {
    const CLSID& clsid;
    const wchar_t* text;
};
const ApprovedValue kApprovedValues[] = {
    {CLSID_QvShellExt, L"QvShellExt extension"},
    {CLSID_QvExplorerCommand, L"QvExplorerCommand extension"},
};

// The row of one value: the Approved key is the system's, so it is never created and only our values
// are removed from it.
RegistryRow ApprovedRow(const std::wstring& valueName) {
    return RegistryRow{HKEY_LOCAL_MACHINE, kApprovedKeyPath, valueName.c_str(), RowRemoval::ValueOnly};
}

// The 8.3 form of the path where the file system has one; the long form otherwise.
std::wstring ShortPathOf(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) {
        return path;
    }
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) {
        return path;
    }
    shortPath.resize(length);
    return shortPath;
}

// The library from the module itself, or else from the .tlb beside it; path receives where it came from.
ComPtr<ITypeLib> LoadModuleTypeLib(const std::wstring& modulePath, std::wstring* loadedFrom) {
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(LoadTypeLib(modulePath.c_str(), library.put()))) {
        *loadedFrom = modulePath;
        return library;
    }
    const size_t dot = modulePath.find_last_of(L'.');
    std::wstring besidePath = (dot == std::wstring::npos ? modulePath : modulePath.substr(0, dot)) + L".tlb";
    if (SUCCEEDED(LoadTypeLib(besidePath.c_str(), library.put()))) {
        *loadedFrom = besidePath;
        return library;
    }
    return ComPtr<ITypeLib>();
}

using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

} // namespace

HRESULT WriteApprovedValues() {
    for (const ApprovedValue& value : kApprovedValues) {
        const std::wstring name = GuidText(value.clsid);
        const std::wstring text = value.text;
        if (WriteRegistryRow(ApprovedRow(name), &text) != ERROR_SUCCESS) {
            return E_ACCESSDENIED;
        }
    }
    return S_OK;
}

void DeleteApprovedValues() {
    for (const ApprovedValue& value : kApprovedValues) {
        const std::wstring name = GuidText(value.clsid);
        RemoveRegistryRow(ApprovedRow(name));
    }
}

HRESULT RegisterModuleTypeLib(const std::wstring& modulePath) {
    std::wstring loadedFrom;
    ComPtr<ITypeLib> library = LoadModuleTypeLib(modulePath, &loadedFrom);
    if (!library) {
        return TYPE_E_CANTLOADLIBRARY;
    }
    std::wstring helpFolder = loadedFrom.substr(0, loadedFrom.find_last_of(L"\\/:") + 1);
    // The declaration takes non-const strings, though the call only reads them.
    return RegisterTypeLib(library.get(), const_cast<wchar_t*>(loadedFrom.c_str()),
                           helpFolder.empty() ? nullptr : helpFolder.data());
}

void UnregisterModuleTypeLib(const std::wstring& modulePath) {
    std::wstring loadedFrom;
    ComPtr<ITypeLib> library = LoadModuleTypeLib(modulePath, &loadedFrom);
    if (!library) {
        return;
    }
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes))) {
        return;
    }
    const TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    // Old system libraries lack the entry; look it up rather than fail to load.
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    auto unregister = oleaut == nullptr ? nullptr
                                        : reinterpret_cast<UnRegisterTypeLibFunction>(
                                              reinterpret_cast<void*>(GetProcAddress(oleaut, "UnRegisterTypeLib")));
    if (unregister != nullptr) {
        unregister(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    }
}

STDAPI DllRegisterServer() {
    if (HRESULT hr = WriteApprovedValues(); FAILED(hr)) {
        return hr;
    }
    const std::wstring modulePath = ModuleFullPath(ThisModule());
    if (modulePath.empty()) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    if (HRESULT hr = WriteClassKeys(ShortPathOf(modulePath)); FAILED(hr)) {
        return hr;
    }
    return RegisterModuleTypeLib(modulePath);
}

STDAPI DllUnregisterServer() {
    DeleteApprovedValues();
    DeleteClassKeys();
    const std::wstring modulePath = ModuleFullPath(ThisModule());
    if (!modulePath.empty()) {
        UnregisterModuleTypeLib(modulePath);
    }
    return S_OK;
}

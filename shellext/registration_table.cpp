// The registry effects of the class as data: every key and value under HKEY_CLASSES_ROOT, with the rule
// that decides what registration clears first and what unregistration removes. Both directions walk the
// same table.
#include <windows.h>

#include <string>

#include "qarnet_interfaces.h"
#include "server_registration.h"
#include "win_handles.h"

namespace {

enum class Removal {
    Tree,        // removed with everything below it by unregistration
    ForceRemove, // as Tree, and also cleared before registration writes it anew
    InsideTree,  // goes with the tree above it
    NoRemove,    // shared with others: never removed
};

enum class ValueKind {
    None,       // the key only
    Text,       // a fixed string
    ModulePath, // the module's own path
};

struct RegistryEntry {
    const wchar_t* keyPath;
    const wchar_t* valueName; // nullptr for the default value
    ValueKind kind;
    const wchar_t* text;
    Removal removal;
};

#define QV_CLSID_KEY L"CLSID\\{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}"

constexpr RegistryEntry kClassEntries[] = {
    {L"Qarnet.QvShellExt.1", nullptr, ValueKind::Text, L"QvShellExt Class", Removal::Tree},
    {L"Qarnet.QvShellExt.1\\CLSID", nullptr, ValueKind::Text, kQvShellExtClsidText, Removal::InsideTree},
    {L"Qarnet.QvShellExt", nullptr, ValueKind::Text, L"QvShellExt Class", Removal::Tree},
    {L"Qarnet.QvShellExt\\CLSID", nullptr, ValueKind::Text, kQvShellExtClsidText, Removal::InsideTree},
    {L"Qarnet.QvShellExt\\CurVer", nullptr, ValueKind::Text, L"Qarnet.QvShellExt.1", Removal::InsideTree},
    {L"CLSID", nullptr, ValueKind::None, nullptr, Removal::NoRemove},
    {QV_CLSID_KEY, nullptr, ValueKind::Text, L"QvShellExt Class", Removal::ForceRemove},
    {QV_CLSID_KEY L"\\ProgID", nullptr, ValueKind::Text, L"Qarnet.QvShellExt.1", Removal::InsideTree},
    {QV_CLSID_KEY L"\\VersionIndependentProgID", nullptr, ValueKind::Text, L"Qarnet.QvShellExt", Removal::InsideTree},
    {QV_CLSID_KEY L"\\Programmable", nullptr, ValueKind::None, nullptr, Removal::ForceRemove},
    {QV_CLSID_KEY L"\\InprocServer32", nullptr, ValueKind::ModulePath, nullptr, Removal::InsideTree},
    {QV_CLSID_KEY L"\\InprocServer32", L"ThreadingModel", ValueKind::Text, L"Apartment", Removal::InsideTree},
    {QV_CLSID_KEY L"\\TypeLib", nullptr, ValueKind::Text, kQarnetTypeLibText, Removal::InsideTree},
};

#undef QV_CLSID_KEY

bool RemovedByUnregistration(Removal removal) {
    return removal == Removal::Tree || removal == Removal::ForceRemove;
}

HRESULT DeleteTree(const wchar_t* keyPath) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        return S_OK;
    }
    return HRESULT_FROM_WIN32(status);
}

HRESULT WriteEntry(const RegistryEntry& entry, const std::wstring& modulePath) {
    RegKey key;
    HKEY opened = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    key.reset(opened);
    if (entry.kind == ValueKind::None) {
        return S_OK;
    }
    const std::wstring value = entry.kind == ValueKind::ModulePath ? modulePath : std::wstring(entry.text);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key.get(), entry.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

} // namespace

HRESULT WriteClassKeys(const std::wstring& inprocServerPath) {
    for (const RegistryEntry& entry : kClassEntries) {
        if (entry.removal == Removal::ForceRemove) {
            if (HRESULT hr = DeleteTree(entry.keyPath); FAILED(hr)) {
                return hr;
            }
        }
        if (HRESULT hr = WriteEntry(entry, inprocServerPath); FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

void DeleteClassKeys() {
    for (const RegistryEntry& entry : kClassEntries) {
        if (RemovedByUnregistration(entry.removal)) {
            DeleteTree(entry.keyPath);
        }
    }
}

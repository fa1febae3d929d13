// The registry effects of the class as data: every key and value under HKEY_CLASSES_ROOT, with the rule
// that decides what registration clears first and what unregistration removes. Both directions walk the
// same table through the product's one row writer (registry_rows.h).
#include <windows.h>

#include <string>
#include <vector>

#include "qarnet_interfaces.h"
#include "server_registration.h"
#include "registry_rows.h"

namespace {

enum class ValueKind {
    None,       // the key only
    Text,       // a fixed string
    ModulePath, // the module's own path
};

struct ClassEntry {
    std::wstring keyPath;
    const wchar_t* valueName; // nullptr: the default value
    RowRemoval removal;
    ValueKind kind;
    std::wstring text;
};

// The table, spelled from the identifiers of the interface description.
std::vector<ClassEntry> ClassEntries() {
    const std::wstring clsid = QvShellExtClsidText();
    const std::wstring classKey = L"CLSID\\" + clsid;
    return {
        {L"Qarnet.QvShellExt.1", nullptr, RowRemoval::Tree, ValueKind::Text, L"QvShellExt Class"},
        {L"Qarnet.QvShellExt.1\\CLSID", nullptr, RowRemoval::WithParent, ValueKind::Text, clsid},
        {L"Qarnet.QvShellExt", nullptr, RowRemoval::Tree, ValueKind::Text, L"QvShellExt Class"},
        {L"Qarnet.QvShellExt\\CLSID", nullptr, RowRemoval::WithParent, ValueKind::Text, clsid},
        {L"Qarnet.QvShellExt\\CurVer", nullptr, RowRemoval::WithParent, ValueKind::Text, L"Qarnet.QvShellExt.1"},
        {classKey, nullptr, RowRemoval::ForceRemove, ValueKind::Text, L"QvShellExt Class"},
        {classKey + L"\\ProgID", nullptr, RowRemoval::WithParent, ValueKind::Text, L"Qarnet.QvShellExt.1"},
        {classKey + L"\\VersionIndependentProgID", nullptr, RowRemoval::WithParent, ValueKind::Text,
         L"Qarnet.QvShellExt"},
        {classKey + L"\\Programmable", nullptr, RowRemoval::ForceRemove, ValueKind::None, {}},
        {classKey + L"\\InprocServer32", nullptr, RowRemoval::WithParent, ValueKind::ModulePath, {}},
        {classKey + L"\\InprocServer32", L"ThreadingModel", RowRemoval::WithParent, ValueKind::Text, L"Apartment"},
        {classKey + L"\\TypeLib", nullptr, RowRemoval::WithParent, ValueKind::Text, QarnetTypeLibText()},
    };
}

RegistryRow RowOf(const ClassEntry& entry) {
    return RegistryRow{HKEY_CLASSES_ROOT, entry.keyPath.c_str(), entry.valueName, entry.removal};
}

} // namespace

HRESULT WriteClassKeys(const std::wstring& inprocServerPath) {
    for (const ClassEntry& entry : ClassEntries()) {
        const std::wstring& value = entry.kind == ValueKind::ModulePath ? inprocServerPath : entry.text;
        const LSTATUS status = WriteRegistryRow(RowOf(entry), entry.kind == ValueKind::None ? nullptr : &value);
        if (status != ERROR_SUCCESS) {
            return HRESULT_FROM_WIN32(status);
        }
    }
    return S_OK;
}

void DeleteClassKeys() {
    for (const ClassEntry& entry : ClassEntries()) {
        RemoveRegistryRow(RowOf(entry));
    }
}

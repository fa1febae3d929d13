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

// One COM class of the module: its keys are named after it, and an automation class also names the
// type library.
struct ClassDescription {
    const wchar_t* name;
    std::wstring clsid;
    bool automation;
};

void AppendClassEntries(const ClassDescription& description, std::vector<ClassEntry>* entries) {
    const std::wstring name = description.name;
    const std::wstring title = name + L" Class";
    const std::wstring progId = L"Qarnet." + name;
    const std::wstring progIdVersion = progId + L".1";
    const std::wstring& clsid = description.clsid;
    const std::wstring classKey = L"CLSID\\" + clsid;
    entries->insert(
        entries->end(),
        {
            {progIdVersion, nullptr, RowRemoval::Tree, ValueKind::Text, title},
            {progIdVersion + L"\\CLSID", nullptr, RowRemoval::WithParent, ValueKind::Text, clsid},
            {progId, nullptr, RowRemoval::Tree, ValueKind::Text, title},
            {progId + L"\\CLSID", nullptr, RowRemoval::WithParent, ValueKind::Text, clsid},
            {progId + L"\\CurVer", nullptr, RowRemoval::WithParent, ValueKind::Text, progIdVersion},
            {classKey, nullptr, RowRemoval::ForceRemove, ValueKind::Text, title},
            {classKey + L"\\ProgID", nullptr, RowRemoval::WithParent, ValueKind::Text, progIdVersion},
            {classKey + L"\\VersionIndependentProgID", nullptr, RowRemoval::WithParent, ValueKind::Text, progId},
        });
    if (description.automation) {
        entries->push_back({classKey + L"\\Programmable", nullptr, RowRemoval::ForceRemove, ValueKind::None, {}});
    }
    entries->insert(
        entries->end(),
        {
            {classKey + L"\\InprocServer32", nullptr, RowRemoval::WithParent, ValueKind::ModulePath, {}},
            {classKey + L"\\InprocServer32", L"ThreadingModel", RowRemoval::WithParent, ValueKind::Text, L"Apartment"},
        });
    if (description.automation) {
        entries->push_back(
            {classKey + L"\\TypeLib", nullptr, RowRemoval::WithParent, ValueKind::Text, QarnetTypeLibText()});
    }
}

// The table, spelled from the identifiers of the interface description: the context-menu handler with
// its automation interface, and the command of the Windows 11 menu.
std::vector<ClassEntry> ClassEntries() {
    std::vector<ClassEntry> entries;
    AppendClassEntries({L"QvShellExt", QvShellExtClsidText(), true}, &entries);
    AppendClassEntries({L"QvExplorerCommand", QvExplorerCommandClsidText(), false}, &entries);
    return entries;
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

// The registry effects of the class as data: every key and value under HKEY_CLASSES_ROOT, with the rule
// that decides what registration clears first and what unregistration removes. Both directions walk the
// same table through the product's one row writer (registry_rows.h).
#include <windows.h>

#include <string>

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
    RegistryRow row;
    ValueKind kind;
    const wchar_t* text;
};

#define QV_CLSID_KEY L"CLSID\\{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}"

const HKEY kRoot = HKEY_CLASSES_ROOT;
const ClassEntry kClassEntries[] = {
    {{kRoot, L"Qarnet.QvShellExt.1", nullptr, RowRemoval::Tree}, ValueKind::Text, L"QvShellExt Class"},
    {{kRoot, L"Qarnet.QvShellExt.1\\CLSID", nullptr, RowRemoval::WithParent}, ValueKind::Text, kQvShellExtClsidText},
    {{kRoot, L"Qarnet.QvShellExt", nullptr, RowRemoval::Tree}, ValueKind::Text, L"QvShellExt Class"},
    {{kRoot, L"Qarnet.QvShellExt\\CLSID", nullptr, RowRemoval::WithParent}, ValueKind::Text, kQvShellExtClsidText},
    {{kRoot, L"Qarnet.QvShellExt\\CurVer", nullptr, RowRemoval::WithParent}, ValueKind::Text, L"Qarnet.QvShellExt.1"},
    {{kRoot, QV_CLSID_KEY, nullptr, RowRemoval::ForceRemove}, ValueKind::Text, L"QvShellExt Class"},
    {{kRoot, QV_CLSID_KEY L"\\ProgID", nullptr, RowRemoval::WithParent}, ValueKind::Text, L"Qarnet.QvShellExt.1"},
    {{kRoot, QV_CLSID_KEY L"\\VersionIndependentProgID", nullptr, RowRemoval::WithParent},
     ValueKind::Text,
     L"Qarnet.QvShellExt"},
    {{kRoot, QV_CLSID_KEY L"\\Programmable", nullptr, RowRemoval::ForceRemove}, ValueKind::None, nullptr},
    {{kRoot, QV_CLSID_KEY L"\\InprocServer32", nullptr, RowRemoval::WithParent}, ValueKind::ModulePath, nullptr},
    {{kRoot, QV_CLSID_KEY L"\\InprocServer32", L"ThreadingModel", RowRemoval::WithParent},
     ValueKind::Text,
     L"Apartment"},
    {{kRoot, QV_CLSID_KEY L"\\TypeLib", nullptr, RowRemoval::WithParent}, ValueKind::Text, kQarnetTypeLibText},
};

#undef QV_CLSID_KEY

} // namespace

HRESULT WriteClassKeys(const std::wstring& inprocServerPath) {
    for (const ClassEntry& entry : kClassEntries) {
        const std::wstring value = entry.kind == ValueKind::ModulePath ? inprocServerPath
                                   : entry.kind == ValueKind::Text     ? std::wstring(entry.text)
                                                                       : std::wstring();
        const LSTATUS status = WriteRegistryRow(entry.row, entry.kind == ValueKind::None ? nullptr : &value);
        if (status != ERROR_SUCCESS) {
            return HRESULT_FROM_WIN32(status);
        }
    }
    return S_OK;
}

void DeleteClassKeys() {
    for (const ClassEntry& entry : kClassEntries) {
        RemoveRegistryRow(entry.row);
    }
}

// The one writer and remover of registry rows (contract in registry_rows.h).
#include "registry_rows.h"

#include "win_handles.h"

namespace {

LSTATUS Gone(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

} // namespace

LSTATUS WriteRegistryRow(const RegistryRow& row, const std::wstring* value) {
    if (row.removal == RowRemoval::ForceRemove) {
        if (const LSTATUS cleared = Gone(RegDeleteTreeW(row.root, row.keyPath)); cleared != ERROR_SUCCESS) {
            return cleared;
        }
    }
    HKEY created = nullptr;
    const LSTATUS status = row.removal == RowRemoval::ValueOnly
                               ? RegOpenKeyExW(row.root, row.keyPath, 0, KEY_SET_VALUE, &created)
                               : RegCreateKeyExW(row.root, row.keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 KEY_SET_VALUE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const RegKey key(created);
    if (value == nullptr) {
        return ERROR_SUCCESS;
    }
    // The stored size counts the terminator, as REG_SZ requires.
    const DWORD bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), row.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()), bytes);
}

LSTATUS RemoveRegistryRow(const RegistryRow& row) {
    switch (row.removal) {
    case RowRemoval::Key:
        return Gone(RegDeleteKeyW(row.root, row.keyPath));
    case RowRemoval::Tree:
    case RowRemoval::ForceRemove:
        return Gone(RegDeleteTreeW(row.root, row.keyPath));
    case RowRemoval::ValueOnly: {
        HKEY opened = nullptr;
        if (const LSTATUS status = Gone(RegOpenKeyExW(row.root, row.keyPath, 0, KEY_SET_VALUE, &opened));
            status != ERROR_SUCCESS || opened == nullptr) {
            return status;
        }
        const RegKey key(opened);
        return Gone(RegDeleteValueW(key.get(), row.valueName));
    }
    case RowRemoval::WithParent:
    case RowRemoval::Never:
        return ERROR_SUCCESS;
    }
    return ERROR_SUCCESS;
}

// The ten registry rows of the shell integration as one table, walked forwards by install and by
// uninstall, so that what is written and what is removed can be read in one place.
#include "shell_keys.h"

#include <windows.h>

#include "guid_text.h"
#include "qarnet_automation.h"
#include "registry_rows.h"

namespace {

enum class RowValue {
    HandlerClsid,        // the QvShellExt CLSID
    FileTypeName,        // "QvENCFile"
    FileTypeDisplayName, // "QvENC File"
    ProgramIcon,         // "<program>", 0
    OpenCommand,         // "<program>" "%1"
};

struct ShellKeyRow {
    RegistryRow row;
    RowValue value;
};

// The parents of the handler keys are created when missing: a fresh system may lack them, and leaving
// the handler out would install a context menu that never appears.
const ShellKeyRow kShellKeyRows[] = {
    {{HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\QvShellExt", nullptr, RowRemoval::Key},
     RowValue::HandlerClsid},
    {{HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers\\QvShellExt", nullptr, RowRemoval::Key},
     RowValue::HandlerClsid},
    {{HKEY_CLASSES_ROOT, L".ENC", nullptr, RowRemoval::Tree}, RowValue::FileTypeName},
    {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.ENC", nullptr, RowRemoval::Tree}, RowValue::FileTypeName},
    {{HKEY_CLASSES_ROOT, L"QvENCFile", nullptr, RowRemoval::Tree}, RowValue::FileTypeDisplayName},
    {{HKEY_CLASSES_ROOT, L"QvENCFile\\DefaultIcon", nullptr, RowRemoval::WithParent}, RowValue::ProgramIcon},
    {{HKEY_CLASSES_ROOT, L"QvENCFile\\Shell\\open\\Command", nullptr, RowRemoval::WithParent}, RowValue::OpenCommand},
    {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile", nullptr, RowRemoval::Tree}, RowValue::FileTypeDisplayName},
    {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\DefaultIcon", nullptr, RowRemoval::WithParent},
     RowValue::ProgramIcon},
    {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\Shell\\open\\Command", nullptr, RowRemoval::WithParent},
     RowValue::OpenCommand},
};

std::wstring ValueOfRow(RowValue value, const std::wstring& programPath) {
    const std::wstring quotedProgram = L"\"" + programPath + L"\"";
    switch (value) {
    case RowValue::HandlerClsid:
        return GuidText(__uuidof(QvShellExt));
    case RowValue::FileTypeName:
        return L"QvENCFile";
    case RowValue::FileTypeDisplayName:
        return L"QvENC File";
    case RowValue::ProgramIcon:
        return quotedProgram + L", 0";
    case RowValue::OpenCommand:
        return quotedProgram + L" \"%1\"";
    }
    return {};
}

} // namespace

bool WriteShellKeys(const std::wstring& programPath) {
    bool allWritten = true;
    for (const ShellKeyRow& row : kShellKeyRows) {
        const std::wstring value = ValueOfRow(row.value, programPath);
        allWritten = WriteRegistryRow(row.row, &value) == ERROR_SUCCESS && allWritten;
    }
    return allWritten;
}

bool DeleteShellKeys() {
    bool allRemoved = true;
    for (const ShellKeyRow& row : kShellKeyRows) {
        allRemoved = RemoveRegistryRow(row.row) == ERROR_SUCCESS && allRemoved;
    }
    return allRemoved;
}

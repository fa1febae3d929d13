// The ten registry rows of the shell integration as one table, walked forwards by install and by
// uninstall, so that what is written and what is removed can be read in one place.
#include "shell_keys.h"

#include <windows.h>

#include "win_handles.h"

namespace {

enum class RowValue {
    HandlerClsid,        // the QvShellExt CLSID
    FileTypeName,        // "QvENCFile"
    FileTypeDisplayName, // "QvENC File"
    ProgramIcon,         // "<program>", 0
    OpenCommand,         // "<program>" "%1"
};

enum class Removal {
    Key,      // the key itself (it holds nothing of ours below it)
    Tree,     // the key and everything below it
    ByParent, // removed with the tree of an earlier row
};

struct ShellKeyRow {
    HKEY root;
    const wchar_t* keyPath;
    RowValue value;
    Removal removal;
};

// The parents of the handler keys are created when missing: a fresh system may lack them, and leaving
// the handler out would install a context menu that never appears.
const ShellKeyRow kShellKeyRows[] = {
    {HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\QvShellExt", RowValue::HandlerClsid, Removal::Key},
    {HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers\\QvShellExt", RowValue::HandlerClsid, Removal::Key},
    {HKEY_CLASSES_ROOT, L".ENC", RowValue::FileTypeName, Removal::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.ENC", RowValue::FileTypeName, Removal::Tree},
    {HKEY_CLASSES_ROOT, L"QvENCFile", RowValue::FileTypeDisplayName, Removal::Tree},
    {HKEY_CLASSES_ROOT, L"QvENCFile\\DefaultIcon", RowValue::ProgramIcon, Removal::ByParent},
    {HKEY_CLASSES_ROOT, L"QvENCFile\\Shell\\open\\Command", RowValue::OpenCommand, Removal::ByParent},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile", RowValue::FileTypeDisplayName, Removal::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\DefaultIcon", RowValue::ProgramIcon, Removal::ByParent},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\Shell\\open\\Command", RowValue::OpenCommand,
     Removal::ByParent},
};

std::wstring ValueOfRow(RowValue value, const std::wstring& programPath) {
    const std::wstring quotedProgram = L"\"" + programPath + L"\"";
    switch (value) {
    case RowValue::HandlerClsid:
        return kQvShellExtClsidText;
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

bool WriteDefaultValue(HKEY root, const wchar_t* keyPath, const std::wstring& value) {
    RegKey key;
    HKEY created = nullptr;
    if (::RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key.reset(created);
    // The stored size counts the terminator, as REG_SZ requires.
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool IsGone(LSTATUS status) {
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RemoveRowKey(const ShellKeyRow& row) {
    switch (row.removal) {
    case Removal::Key:
        return IsGone(::RegDeleteKeyW(row.root, row.keyPath));
    case Removal::Tree:
        return IsGone(::RegDeleteTreeW(row.root, row.keyPath));
    case Removal::ByParent:
        return true;
    }
    return false;
}

} // namespace

bool WriteShellKeys(const std::wstring& programPath) {
    bool allWritten = true;
    for (const ShellKeyRow& row : kShellKeyRows) {
        allWritten = WriteDefaultValue(row.root, row.keyPath, ValueOfRow(row.value, programPath)) && allWritten;
    }
    return allWritten;
}

bool DeleteShellKeys() {
    bool allRemoved = true;
    for (const ShellKeyRow& row : kShellKeyRows) {
        allRemoved = RemoveRowKey(row) && allRemoved;
    }
    return allRemoved;
}

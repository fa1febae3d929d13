// Registry effects as tables of rows: one row type, one writer and one remover for every table of the
// product (the COM registration of Qarnet.dll, the Explorer keys of Tolvane.exe).
#pragma once

#include <windows.h>

#include <string>

enum class RowRemoval {
    Key,         // removing takes the key itself (nothing of ours stands below it)
    Tree,        // removing takes the key and everything below it
    ForceRemove, // as Tree, and writing clears the tree first, so nothing stale survives a new registration
    WithParent,  // goes with the tree of a row above it
    Never,       // shared with others: never removed
    ValueOnly,   // the key is the system's: writing opens it, never creates it, and removing takes only the
                 // row's value
};

struct RegistryRow {
    HKEY root;
    const wchar_t* keyPath;
    const wchar_t* valueName; // nullptr: the key's default value
    RowRemoval removal;
};

// Creates the row's key (opened only to set values; a ValueOnly row's key is opened, and its absence is
// the failure) and, when value is given, writes it as REG_SZ, never truncated. A ForceRemove row's tree is
// cleared first.
LSTATUS WriteRegistryRow(const RegistryRow& row, const std::wstring* value);

// Does what removing means for the row; ERROR_SUCCESS also when there was nothing left to remove.
LSTATUS RemoveRegistryRow(const RegistryRow& row);

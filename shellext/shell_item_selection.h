// The selection the Windows 11 menu hands over as a shell item array.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <string>
#include <vector>

// The number of items, without touching a file; 0 when there is no array.
DWORD ShellItemCount(IShellItemArray* items);

// The file-system path of every item, each as long as it is; items that have none (a virtual folder, a
// device) are left out. S_OK also for no array or no paths; E_INVALIDARG (and no paths) for an array
// over the selection limit or one that cannot be read.
HRESULT ReadShellItemSelection(IShellItemArray* items, std::vector<std::wstring>* paths);

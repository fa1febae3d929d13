// The selection Explorer hands over as a CF_HDROP drop list.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

#include "menu_command.h"

// Every full path of the drop list, each as long as it is. S_OK with 1 to MAX_SELECTION paths;
// E_INVALIDARG (and no paths) when the data object has no drop list, it is empty or too long, or an item
// cannot be read.
HRESULT ReadDropSelection(IDataObject* dataObject, std::vector<std::wstring>* paths);

// The module whose resources hold the dialog templates and whose folder holds Brandmark.jpg.
#pragma once

#include <windows.h>

// By default the module this library is linked into (Qarnet.dll, Tolvane.exe or a test program).
HINSTANCE DialogResourceModule();
void SetDialogResourceModule(HINSTANCE module);

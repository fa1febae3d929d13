// The small bitmap beside the three menu commands: loaded once per module, freed when it unloads.
#pragma once

#include <windows.h>

// The bitmap, loaded on first use; nullptr when the resource cannot be loaded. The module owns it.
HBITMAP MenuBitmap();
void ReleaseMenuBitmap();

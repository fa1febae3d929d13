// The class factory of QvShellExt, cached for the module's lifetime; DllGetClassObject hands it out.
#pragma once

// Drops the cached factory when the module is freed.
void ReleaseCachedClassFactory();

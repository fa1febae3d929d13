// The class factories of the module's classes, cached for the module's lifetime; DllGetClassObject
// hands them out.
#pragma once

// Drops the cached factories when the module is freed.
void ReleaseCachedClassFactories();

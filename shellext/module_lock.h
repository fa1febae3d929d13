// The module's lock count: live objects, held class factories and LockServer calls keep Qarnet.dll loaded.
#pragma once

#include <windows.h>

void LockModule();
void UnlockModule();
bool IsModuleLocked();

// Holds one lock for the lifetime of the object that owns it.
class ModuleLockHolder {
public:
    ModuleLockHolder() { LockModule(); }
    ModuleLockHolder(const ModuleLockHolder&) = delete;
    ModuleLockHolder& operator=(const ModuleLockHolder&) = delete;
    ~ModuleLockHolder() { UnlockModule(); }
};

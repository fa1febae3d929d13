// The module (EXE or DLL) that the calling code is linked into, found without DllMain bookkeeping.
#pragma once

#include <windows.h>

// The linker defines __ImageBase in every image; a static library sees the image it ends up in.
extern "C" IMAGE_DOS_HEADER __ImageBase;

inline HMODULE ThisModule() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

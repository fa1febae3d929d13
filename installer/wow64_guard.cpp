// Detects a 32-bit Tolvane.exe running on 64-bit Windows (WoW64).
#include "wow64_guard.h"

#include <windows.h>

bool IsThirtyTwoBitProgramOnSixtyFourBitWindows() {
#ifdef _WIN64
    return false;
#else
    BOOL underWow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &underWow64) && underWow64;
#endif
}

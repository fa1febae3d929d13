// Whether this build may install the Explorer extension on the running system.
#pragma once

// True for a 32-bit Tolvane.exe on 64-bit Windows: the 64-bit Explorer there never loads a 32-bit
// in-process extension, so installing it would report success for a menu that never appears.
bool IsThirtyTwoBitProgramOnSixtyFourBitWindows();

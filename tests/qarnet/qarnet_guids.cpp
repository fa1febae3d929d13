// Storage for the GUIDs of the generated interface header, for the test programs.
#include <windows.h>

#include <initguid.h>

#include "qarnet_idl.h"

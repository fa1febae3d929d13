// Storage for the GUIDs that the generated interface header declares.
#include <windows.h>

#include <initguid.h>

#include "qarnet_idl.h"

// The automation interface of Qarnet's QvShellExt class as Tolvane.exe calls it, from the header that
// widl generates out of Qarnet's interface description.
#pragma once

#include <windows.h>

#include <cstddef>

#include "qarnet_idl.h"

// The size of the caller's buffer that QvDecFile fills with the restored file's bare name.
inline constexpr size_t kRestoredNameUnits = 260;

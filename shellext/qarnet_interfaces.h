// The identifiers of Qarnet's class, interface and type library, as the type library declares them, and
// their registry spellings.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "qarnet_idl.h"

inline constexpr wchar_t kQvShellExtClsidText[] = L"{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}";
inline constexpr wchar_t kQarnetTypeLibText[] = L"{C84D0B52-6A19-47E3-B2F5-0E9A13C7D628}";
inline constexpr WORD kQarnetTypeLibMajor = 1;
inline constexpr WORD kQarnetTypeLibMinor = 0;

// The identifiers of Qarnet's classes, interface and type library, as the type library declares them, and
// their registry spellings.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "guid_text.h"
#include "qarnet_idl.h"

inline std::wstring QvShellExtClsidText() {
    return GuidText(CLSID_QvShellExt);
}
inline std::wstring QvExplorerCommandClsidText() {
    return GuidText(CLSID_QvExplorerCommand);
}
inline std::wstring QarnetTypeLibText() {
    return GuidText(LIBID_QARNETLib);
}
inline constexpr WORD kQarnetTypeLibMajor = 1;
inline constexpr WORD kQarnetTypeLibMinor = 0;

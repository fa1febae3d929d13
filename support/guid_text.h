// A GUID in its registry spelling, "{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}", from the GUID itself: the
// identifiers are written out once, in the interface description, and spelled from there.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

inline std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    const int length = StringFromGUID2(guid, text, 40);
    return length > 1 ? std::wstring(text, static_cast<size_t>(length - 1)) : std::wstring();
}

// g_szRestoredName: the bare name of the file that the last decryption of this process restored, which
// QvDecFile hands to its caller (whose buffer holds RESTORED_NAME_UNITS units). Every decryption Qarnet
// makes, alone or in a batch, passes its result here.
#pragma once

#include <cstddef>

#include "convert_result.h"

inline constexpr size_t RESTORED_NAME_UNITS = 260;
extern wchar_t g_szRestoredName[RESTORED_NAME_UNITS];

// When the decryption's output stands under its final name, that name (the last component of the result's
// outputPath, the name actually used when a free one had to be chosen) becomes g_szRestoredName; after
// any other outcome it stays what it was.
void RememberRestoredName(const ConvertResult& decrypted);

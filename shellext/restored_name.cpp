// The restored-name buffer of the process (contract in restored_name.h).
#include "restored_name.h"

#include <algorithm>

#include "path_parts.h"

wchar_t g_szRestoredName[RESTORED_NAME_UNITS] = {};

void RememberRestoredName(const ConvertResult& decrypted) {
    if (!ConvertedAtAll(decrypted.outcome)) {
        return;
    }
    PathString name;
    if (GetBareFileName(&name, decrypted.outputPath.c_str()) != 1) {
        return;
    }
    const size_t units = std::min(name.size(), RESTORED_NAME_UNITS - 1);
    std::copy_n(name.begin(), units, g_szRestoredName);
    g_szRestoredName[units] = L'\0';
}

// The system language a locale run of a UI test must see (TOLVANE_EXPECT_LANGID, set by wine-run.sh),
// so that a language test cannot pass by running in the wrong locale.
#pragma once

#include <windows.h>

#include <optional>

// The expected GetSystemDefaultLangID, or nothing when the run names no locale.
std::optional<LANGID> ExpectedSystemLangId();

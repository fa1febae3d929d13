// Reads TOLVANE_EXPECT_LANGID ("0x0804" and the like).
#include "expected_language.h"

#include <cstdlib>
#include <string>

std::optional<LANGID> ExpectedSystemLangId() {
    const char* value = std::getenv("TOLVANE_EXPECT_LANGID");
    if (!value || !*value) {
        return std::nullopt;
    }
    return static_cast<LANGID>(std::stoul(value, nullptr, 16));
}

// A fixture for tests whose texts follow the system language: it first checks that the run sees the
// language its locale promises, then sets g_bChineseUI by the module's own rule.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "expected_language.h"
#include "ui_language.h"

class SystemLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<LANGID> expected = ExpectedSystemLangId();
        ASSERT_TRUE(expected.has_value()) << "run through a locale (TOLVANE_EXPECT_LANGID unset)";
        ASSERT_EQ(GetSystemDefaultLangID(), *expected);
        InitUiLanguage();
        ASSERT_EQ(g_bChineseUI != 0, *expected == 0x0804);
    }

    // The expected text of the run's language.
    static std::wstring InLanguage(const wchar_t* english, const wchar_t* chinese) {
        return g_bChineseUI ? chinese : english;
    }
};

// The dialogs' language tests: a run that names its locale (the tests run once per language), checked as
// every language test is, then g_bChineseUI set by the module's own rule as Qarnet sets it when it loads.
#pragma once

#include "language_fixture.h"
#include "ui_language.h"

class DialogLanguageTest : public SystemLanguageTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(ExpectedSystemLangId().has_value()) << "run through a locale (TOLVANE_EXPECT_LANGID unset)";
        ASSERT_NO_FATAL_FAILURE(SystemLanguageTest::SetUp());
        InitUiLanguage();
        ASSERT_EQ(g_bChineseUI != 0, ChineseExpected());
    }
};

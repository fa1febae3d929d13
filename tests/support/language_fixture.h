// The one fixture of the tests whose texts follow the system language: the run must see the language its
// locale promises (expected_language.h), so that a language test cannot pass by running in the wrong
// locale, and the texts expected are those of that language.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "expected_language.h"

// Fails the test when the run names a locale and the system language is another; a run that names none
// takes the machine's. Fixtures that cannot derive from SystemLanguageTest call it from their SetUp inside
// ASSERT_NO_FATAL_FAILURE.
inline void AssertTheRunsLanguage() {
    if (const std::optional<LANGID> expected = ExpectedSystemLangId()) {
        ASSERT_EQ(::GetSystemDefaultLangID(), *expected) << "the run's locale did not reach Wine";
    }
}

// Simplified Chinese (0x0804) shows the Chinese texts; every other language the English ones.
inline bool ChineseExpected() {
    return ::GetSystemDefaultLangID() == 0x0804;
}

// The expected text of the run's language.
inline std::wstring InLanguage(const wchar_t* english, const wchar_t* chinese) {
    return ChineseExpected() ? chinese : english;
}

class SystemLanguageTest : public ::testing::Test {
protected:
    void SetUp() override { AssertTheRunsLanguage(); }
};

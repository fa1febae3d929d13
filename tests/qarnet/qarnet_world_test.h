// The world every test of the registered module starts from: OLE on the test thread, the built module
// registered, the run's system language in force, and a fresh folder for the test's files.
#pragma once

#include <gtest/gtest.h>

#include "expected_language.h"
#include "qarnet_fixtures.h"

class QarnetWorldTest : public testing::Test {
protected:
    // A fixture that adds its own steps calls this first and stops when it failed.
    void SetUp() override {
        if (auto expected = ExpectedSystemLangId()) {
            ASSERT_EQ(GetSystemDefaultLangID(), *expected) << "the run's locale did not reach Wine";
        }
        ASSERT_EQ(m_ole.Result(), S_OK);
        ASSERT_EQ(m_registered.Result(), S_OK);
    }

    OleSession m_ole;
    RegisteredQarnet m_registered;
    TempFolder m_folder{"qarnet"};
};

// The world every test of the registered module starts from: OLE on the test thread, the built module
// registered, the run's system language in force, and a fresh folder for the test's files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dialog_robot.h"
#include "language_fixture.h"
#include "qarnet_fixtures.h"

class QarnetWorldTest : public testing::Test {
protected:
    // A fixture that adds its own steps calls this first and stops when it failed.
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(AssertTheRunsLanguage());
        ASSERT_EQ(m_ole.Result(), S_OK);
        ASSERT_EQ(m_registered.Result(), S_OK);
    }

    OleSession m_ole;
    RegisteredQarnet m_registered;
    TempFolder m_folder{"qarnet"};
};

// A user typing a password into the encrypt dialog (twice) or the decrypt dialog, and pressing OK.
inline void TypeEncryptPassword(const std::wstring& password) {
    HWND dialog = dialog_robot::WaitForDialogWithControl(kEncryptPasswordEdit);
    ASSERT_NE(dialog, nullptr);
    dialog_robot::Type(dialog, kEncryptPasswordEdit, password);
    dialog_robot::Type(dialog, kEncryptConfirmEdit, password);
    dialog_robot::Click(dialog, IDOK);
}

inline void TypeDecryptPassword(const std::wstring& password) {
    HWND dialog = dialog_robot::WaitForDialogWithControl(kDecryptPasswordEdit);
    ASSERT_NE(dialog, nullptr);
    dialog_robot::Type(dialog, kDecryptPasswordEdit, password);
    dialog_robot::Click(dialog, IDOK);
}

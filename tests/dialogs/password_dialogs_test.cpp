// The password dialogs driven as a user would: messages, the 32-character limit, the texts in each
// language, and empty fields on every reopen.
#include <gtest/gtest.h>

#include "dec_pwd_dlg.h"
#include "dialog_ids.h"
#include "dialog_robot.h"
#include "enc_pwd_dlg.h"
#include "dialog_language_fixture.h"

namespace robot = dialog_robot;

namespace {

// What the dialog hands over, as text.
std::wstring Taken(CPasswordDialog& dialog) {
    PasswordSecret password;
    dialog.TakePassword(password);
    return std::wstring(password.view());
}

struct ExpectedText {
    int controlId;
    const wchar_t* english;
    const wchar_t* chinese;
};

const std::wstring k32(32, L'x');

class PasswordDialogTest : public DialogLanguageTest {
protected:
    std::wstring Caption() const { return InLanguage(L"Password", L"密码"); }

    // Presses OK (or Enter) and returns the message the dialog answers with, dismissing it.
    static std::wstring MessageAfter(HWND dialog, void (*press)(HWND)) {
        press(dialog);
        robot::MessageBoxInfo box = robot::WaitForMessageBox(dialog);
        if (!box) {
            return L"<no message box>";
        }
        EXPECT_EQ(box.caption, L"Tolvane");
        EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
        EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused password must leave the dialog open";
        robot::DismissMessageBox(box.window);
        return box.text;
    }
    static void PressOk(HWND dialog) { robot::Click(dialog, IDOK); }
    static void PressEnter(HWND dialog) { robot::PressKey(dialog, VK_RETURN); }

    static void ExpectTexts(HWND dialog, std::initializer_list<ExpectedText> texts) {
        for (const ExpectedText& t : texts) {
            EXPECT_EQ(robot::ControlText(dialog, t.controlId), InLanguage(t.english, t.chinese))
                << "control " << t.controlId;
        }
    }
};

TEST_F(PasswordDialogTest, EncryptDialogRefusesUntilPasswordIsSoundAndConfirmed) {
    CEncPwdDlg dialog;
    const std::wstring emptyMessage = InLanguage(L"Password can not be empty.", L"密码不能为空。");
    const std::wstring mismatch = InLanguage(L"The password you input is not matched.", L"您输入的密码不匹配。");

    INT_PTR result = robot::RunModal(
        [&] { return dialog.DoModal(); },
        [&] {
            HWND dlg = robot::WaitForDialog(Caption());
            ASSERT_NE(dlg, nullptr);
            ExpectTexts(dlg, {{IDOK, L"OK", L"确认"},
                              {IDCANCEL, L"Cancel", L"取消"},
                              {IDC_ENC_PASSWORD_LABEL, L"Password:", L"密码："},
                              {IDC_ENC_CONFIRM_LABEL, L"Confirm:", L"密码确认："},
                              {IDC_ENC_PROMPT, L"Please input password to encrypt file or folder:",
                               L"请输入加密文件及文件夹的密码："}});
            EXPECT_EQ(robot::WaitForFocus(dlg), GetDlgItem(dlg, IDOK)) << "the first tab stop has the focus";
            EXPECT_EQ(MessageAfter(dlg, PressEnter), emptyMessage);

            robot::Type(dlg, IDC_ENC_PASSWORD, L"Secret");
            EXPECT_EQ(MessageAfter(dlg, PressOk), mismatch) << "empty confirmation";
            robot::Type(dlg, IDC_ENC_CONFIRM, L"secret");
            EXPECT_EQ(MessageAfter(dlg, PressOk), mismatch) << "case differs";
            EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_PASSWORD), L"Secret") << "a refusal keeps the typed text";

            robot::ClearText(dlg, IDC_ENC_PASSWORD);
            robot::ClearText(dlg, IDC_ENC_CONFIRM);
            robot::Type(dlg, IDC_ENC_PASSWORD, L"密码ab");
            robot::Type(dlg, IDC_ENC_CONFIRM, L"密码ab");
            const std::wstring notLatin = MessageAfter(dlg, PressOk);
            EXPECT_NE(notLatin, mismatch);
            EXPECT_NE(notLatin.find(InLanguage(L"Latin", L"拉丁")), std::wstring::npos) << "says why";

            robot::ClearText(dlg, IDC_ENC_PASSWORD);
            robot::ClearText(dlg, IDC_ENC_CONFIRM);
            robot::Type(dlg, IDC_ENC_PASSWORD, k32 + L"y");
            robot::Type(dlg, IDC_ENC_CONFIRM, k32 + L"y");
            EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_PASSWORD), k32);
            EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_CONFIRM), k32);
            // Pasting (the edit's replace-selection path) is held to the limit as well.
            SendMessageW(GetDlgItem(dlg, IDC_ENC_PASSWORD), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"pasted"));
            EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_PASSWORD), k32);
            robot::Click(dlg, IDOK);
            EXPECT_TRUE(robot::WaitUntilClosed(dlg));
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Taken(dialog), k32);
    EXPECT_EQ(Taken(dialog), L"") << "the member is wiped once taken";

    // Reopened: empty fields; Latin-1 letters and a lone space are passwords like any other.
    for (const std::wstring& password : {std::wstring(L" "), std::wstring(L"Grüße")}) {
        result = robot::RunModal([&] { return dialog.DoModal(); },
                                 [&] {
                                     HWND dlg = robot::WaitForDialog(Caption());
                                     ASSERT_NE(dlg, nullptr);
                                     EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_PASSWORD), L"");
                                     EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_CONFIRM), L"");
                                     robot::Type(dlg, IDC_ENC_PASSWORD, password);
                                     robot::Type(dlg, IDC_ENC_CONFIRM, password);
                                     robot::Click(dlg, IDOK);
                                     EXPECT_TRUE(robot::WaitUntilClosed(dlg));
                                 });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(Taken(dialog), password);
    }

    // Cancel after typing ends the dialog and the next open is empty again.
    result = robot::RunModal([&] { return dialog.DoModal(); },
                             [&] {
                                 HWND dlg = robot::WaitForDialog(Caption());
                                 ASSERT_NE(dlg, nullptr);
                                 robot::Type(dlg, IDC_ENC_PASSWORD, L"typed");
                                 robot::PressKey(dlg, VK_ESCAPE);
                                 EXPECT_TRUE(robot::WaitUntilClosed(dlg));
                             });
    EXPECT_EQ(result, IDCANCEL);
    result = robot::RunModal([&] { return dialog.DoModal(); },
                             [&] {
                                 HWND dlg = robot::WaitForDialog(Caption());
                                 ASSERT_NE(dlg, nullptr);
                                 EXPECT_EQ(robot::ControlText(dlg, IDC_ENC_PASSWORD), L"");
                                 robot::Click(dlg, IDCANCEL);
                             });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(PasswordDialogTest, DecryptDialogAsksUntilAPasswordIsGiven) {
    CDecPwdDlg dialog;
    const std::wstring emptyMessage = InLanguage(L"Please Input password.", L"请输入密码。");

    INT_PTR result =
        robot::RunModal([&] { return dialog.DoModal(); },
                        [&] {
                            HWND dlg = robot::WaitForDialog(Caption());
                            ASSERT_NE(dlg, nullptr);
                            ExpectTexts(dlg, {{IDOK, L"OK", L"确认"},
                                              {IDCANCEL, L"Cancel", L"取消"},
                                              {IDC_DEC_PASSWORD_LABEL, L"Password:", L"密码："},
                                              {IDC_DEC_PROMPT, L"Please input password to decrypt file or folder:",
                                               L"请输入解密文件及文件夹的密码："}});
                            EXPECT_EQ(MessageAfter(dlg, PressEnter), emptyMessage);
                            EXPECT_EQ(MessageAfter(dlg, PressOk), emptyMessage);
                            robot::Type(dlg, IDC_DEC_PASSWORD, k32 + L"z");
                            EXPECT_EQ(robot::ControlText(dlg, IDC_DEC_PASSWORD), k32);
                            robot::Click(dlg, IDOK);
                            EXPECT_TRUE(robot::WaitUntilClosed(dlg));
                        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Taken(dialog), k32);

    // Every container must open, so any character is accepted here, and the field is empty again.
    result = robot::RunModal([&] { return dialog.DoModal(); },
                             [&] {
                                 HWND dlg = robot::WaitForDialog(Caption());
                                 ASSERT_NE(dlg, nullptr);
                                 EXPECT_EQ(robot::ControlText(dlg, IDC_DEC_PASSWORD), L"");
                                 robot::Type(dlg, IDC_DEC_PASSWORD, L"密码 1");
                                 robot::PressKey(dlg, VK_RETURN);
                                 EXPECT_TRUE(robot::WaitUntilClosed(dlg));
                             });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Taken(dialog), L"密码 1");
    EXPECT_EQ(Taken(dialog), L"");
}

} // namespace

// The about box and the progress window show every text in the system's language.
#include <gtest/gtest.h>

#include "about_dlg.h"
#include "dialog_ids.h"
#include "dialog_robot.h"
#include "dialog_language_fixture.h"
#include "prog_dlg.h"

namespace robot = dialog_robot;

namespace {

using DialogTextsTest = DialogLanguageTest;

TEST_F(DialogTextsTest, AboutBoxNamesVersionMakerWebAddressAndCipher) {
    CAboutDlg dialog;
    const std::wstring caption = InLanguage(L"About  Tolvane", L"关于  Tolvane");
    INT_PTR result = robot::RunModal(
        [&] { return dialog.DoModal(); },
        [&] {
            HWND dlg = robot::WaitForDialog(caption);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(robot::ControlText(dlg, IDOK), InLanguage(L"OK", L"确定"));
            EXPECT_EQ(robot::ControlText(dlg, IDC_ABOUT_VERSION), InLanguage(L"VER: Tolvane", L"版本: Tolvane"));
            EXPECT_EQ(robot::ControlText(dlg, IDC_ABOUT_COMPANY),
                      InLanguage(L"Company: Harrowdale Technology", L"公司: Harrowdale科技"));
            EXPECT_EQ(robot::ControlText(dlg, IDC_ABOUT_WEB),
                      InLanguage(L"Web: https://www.tolvane.example", L"网址: https://www.tolvane.example"));
            EXPECT_EQ(robot::ControlText(dlg, IDC_ABOUT_ALGORITHM),
                      InLanguage(L"Algorithm: AES256BIT", L"算法: AES256位"));
            robot::PressKey(dlg, VK_ESCAPE);
            EXPECT_TRUE(robot::WaitUntilClosed(dlg));
        });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(DialogTextsTest, ProgressWindowShowsLabelsAndCountLines) {
    CProgDlg progress;
    progress.m_nTotalFiles = 3;
    ASSERT_TRUE(progress.Create());
    HWND dlg = progress.GetSafeHwnd();
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_TRUE(GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // No owner: centred on the screen's work area.
    RECT frame{}, work{};
    GetWindowRect(dlg, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(robot::WindowText(dlg), InLanguage(L"Progress", L"进度"));
    EXPECT_EQ(robot::ControlText(dlg, IDCANCEL), InLanguage(L"Cancel", L"取消"));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDCANCEL)));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_CURRENT_FILE_LABEL), InLanguage(L"Current File:", L"当前文件:"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_FILE_BAR_LABEL), InLanguage(L"Current Progres:", L"当前进度:"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_TOTAL_BAR_LABEL), InLanguage(L"Total Progress:", L"整体进度:"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_TOTAL_FILES), InLanguage(L"Total files: 3", L"总文件数量：3"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_FINISHED_FILES), InLanguage(L"Finished files: 0", L"已完成数量：0"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_CURRENT_FILE), L"");
    EXPECT_EQ(progress.m_ctrlFile.GetPos(), 0);
    EXPECT_EQ(progress.m_ctrlTotal.GetPos(), 0);

    const std::wstring path = L"C:\\文件夹\\second file.txt";
    progress.UpdateProgress(L"C:\\first.txt", 10, 0);
    progress.UpdateProgress(path.c_str(), 10, 0);
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_CURRENT_FILE), path);
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_FINISHED_FILES), InLanguage(L"Finished files: 1", L"已完成数量：1"));
    EXPECT_EQ(robot::ControlText(dlg, IDC_PROG_TOTAL_FILES), InLanguage(L"Total files: 3", L"总文件数量：3"));
    progress.DestroyWindow();
    EXPECT_EQ(progress.GetSafeHwnd(), nullptr);
}

} // namespace

// The progress window's arithmetic: per-file and overall bars, finished count, 64-bit sizes, and its
// Cancel button.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dialog_ids.h"
#include "dialog_robot.h"
#include "prog_dlg.h"
#include "ui_language.h"

namespace robot = dialog_robot;

namespace {

constexpr uint64_t kChunk = 1048576;

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override { g_bChineseUI = 0; }
    void TearDown() override { progress.DestroyWindow(); }

    void Open(uint32_t totalFiles) {
        progress.m_nTotalFiles = totalFiles;
        ASSERT_TRUE(progress.Create());
    }
    // Reads a file of the given size in 1 MiB chunks, returning the per-file positions seen.
    std::vector<int> ReadFile(const wchar_t* path, uint64_t size) {
        progress.UpdateProgress(path, size, 0);
        std::vector<int> positions{progress.m_ctrlFile.GetPos()};
        for (uint64_t done = 0; done < size; done += kChunk) {
            progress.UpdateProgress(nullptr, 0, size - done < kChunk ? size - done : kChunk);
            positions.push_back(progress.m_ctrlFile.GetPos());
        }
        return positions;
    }
    std::wstring Finished() const { return robot::ControlText(progress.GetSafeHwnd(), IDC_PROG_FINISHED_FILES); }

    CProgDlg progress;
};

TEST_F(ProgressTest, HundredMillionByteFileClimbsSteadilyToHundred) {
    Open(1);
    const std::vector<int> positions = ReadFile(L"C:\\data\\big.bin", 100000000);
    ASSERT_EQ(positions.size(), 97u); // the start and 96 chunks
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions.back(), 100);
    for (size_t i = 1; i < positions.size(); ++i) {
        EXPECT_GE(positions[i], positions[i - 1]) << "at chunk " << i;
        EXPECT_LE(positions[i] - positions[i - 1], 2) << "at chunk " << i;
    }
    EXPECT_EQ(progress.m_ctrlTotal.GetPos(), 0) << "a batch of one file: no file finished yet";
    EXPECT_EQ(Finished(), L"Finished files: 0");
}

TEST_F(ProgressTest, OverallBarCountsOnlyFilesThatStartedBeforeTheCurrentOne) {
    Open(4);
    ReadFile(L"C:\\a.txt", 100);
    EXPECT_EQ(progress.m_ctrlTotal.GetPos(), 0);
    // A skipped file never starts; an empty start is ignored altogether.
    progress.UpdateProgress(L"C:\\empty.txt", 0, 0);
    EXPECT_EQ(robot::ControlText(progress.GetSafeHwnd(), IDC_PROG_CURRENT_FILE), L"C:\\a.txt");
    EXPECT_EQ(Finished(), L"Finished files: 0");
    ReadFile(L"C:\\b.txt", 3 * kChunk);
    EXPECT_EQ(progress.m_ctrlTotal.GetPos(), 25);
    EXPECT_EQ(Finished(), L"Finished files: 1");
    ReadFile(L"C:\\c.txt", 1);
    EXPECT_EQ(progress.m_ctrlTotal.GetPos(), 50);
    EXPECT_EQ(Finished(), L"Finished files: 2");
    EXPECT_EQ(progress.m_ctrlFile.GetPos(), 100);
    EXPECT_EQ(robot::ControlText(progress.GetSafeHwnd(), IDC_PROG_TOTAL_FILES), L"Total files: 4");
}

BOOL CALLBACK CollectPendingPaint(HWND window, LPARAM pending) {
    if (GetUpdateRect(window, nullptr, FALSE)) {
        ++*reinterpret_cast<int*>(pending);
    }
    return TRUE;
}

TEST_F(ProgressTest, EveryUpdateIsPaintedWithoutTheQueueBeingServiced) {
    Open(3);
    HWND dlg = progress.GetSafeHwnd();
    for (uint64_t chunk : {uint64_t{0}, kChunk, kChunk}) {
        // As when the window has just been uncovered: all of it, controls included, needs painting.
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        progress.UpdateProgress(chunk == 0 ? L"C:\\a folder\\report.docx" : nullptr, chunk == 0 ? 4 * kChunk : 0,
                                chunk);
        int pending = GetUpdateRect(dlg, nullptr, FALSE) ? 1 : 0;
        EnumChildWindows(dlg, CollectPendingPaint, reinterpret_cast<LPARAM>(&pending));
        EXPECT_EQ(pending, 0) << "windows still waiting for WM_PAINT after an update";
    }
}

TEST_F(ProgressTest, FiveGibibyteFileShowsTrueShare) {
    Open(1);
    const uint64_t size = 5ull << 30;
    progress.UpdateProgress(L"C:\\huge.vhd", size, 0);
    progress.UpdateProgress(nullptr, 0, size / 2);
    EXPECT_EQ(progress.m_ctrlFile.GetPos(), 50);
    progress.UpdateProgress(nullptr, 0, size / 4);
    EXPECT_EQ(progress.m_ctrlFile.GetPos(), 75);
    EXPECT_EQ(progress.m_nFileDone, size * 3 / 4);
}

// Cancel by its button or by Esc through the dialog manager, as the batch's message loop passes keys on:
// the request is taken once, no box appears, the window stays and its updates go on.
TEST_F(ProgressTest, CancelIsAskedOnceByButtonOrEscAndTheWindowStays) {
    for (const bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "button");
        Open(2);
        ReadFile(L"C:\\a.txt", 10);
        HWND dlg = progress.GetSafeHwnd();
        HWND cancel = GetDlgItem(dlg, IDCANCEL);
        ASSERT_NE(cancel, nullptr);
        EXPECT_TRUE(IsWindowVisible(cancel));
        EXPECT_TRUE(IsWindowEnabled(cancel));
        EXPECT_FALSE(progress.CancelRequested());
        for (int press = 0; press < 2; ++press) {
            if (byEsc) {
                MSG key{dlg, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
                EXPECT_TRUE(IsDialogMessageW(dlg, &key));
            } else {
                SendMessageW(cancel, BM_CLICK, 0, 0);
            }
            EXPECT_TRUE(progress.CancelRequested());
            EXPECT_FALSE(IsWindowEnabled(cancel)) << "greyed once pressed";
        }
        // Nothing was said: the batch tells the user what became of the files once it has stopped.
        EXPECT_FALSE(robot::WaitForMessageBox(dlg, robot::Timeout(300)));
        EXPECT_TRUE(IsWindowVisible(dlg));
        ReadFile(L"C:\\b.txt", 10);
        EXPECT_EQ(Finished(), L"Finished files: 1");
        progress.DestroyWindow();
    }
}

} // namespace

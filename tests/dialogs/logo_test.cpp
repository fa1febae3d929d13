// The logo band: painted across the full client width and top 80 pixels of the dialogs and of any
// window, upright; a missing, empty or undecodable picture leaves the band plain, quietly, and leaks no
// memory block.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "about_dlg.h"
#include "dec_pwd_dlg.h"
#include "dialog_robot.h"
#include "draw_logo.h"
#include "enc_pwd_dlg.h"
#include "this_module.h"
#include "ui_language.h"

namespace fs = std::filesystem;

namespace {

// Brandmark.jpg is navy with an amber rule along its bottom edge.
bool IsNavy(COLORREF c) {
    return GetBValue(c) > GetRValue(c) + 20 && GetRValue(c) < 90;
}
bool IsAmber(COLORREF c) {
    return GetRValue(c) > 170 && GetBValue(c) < 130;
}

COLORREF Face() {
    return GetSysColor(COLOR_BTNFACE);
}

struct BandCheck {
    int width = 0;
    bool topNavy = true;
    bool bottomAmber = true;
    bool plain = true;
    bool belowPlain = true;
};

// Samples five columns across the band (both edges included) and the row just below it.
BandCheck SampleBand(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    BandCheck check;
    check.width = client.right;
    HDC dc = GetDC(window);
    const int w = static_cast<int>(client.right);
    for (int x : {0, w / 4, w / 2, w * 3 / 4, w - 1}) {
        const COLORREF top = GetPixel(dc, x, 2);
        const COLORREF middle = GetPixel(dc, x, 40);
        const COLORREF bottom = GetPixel(dc, x, 78);
        check.topNavy = check.topNavy && IsNavy(top);
        check.bottomAmber = check.bottomAmber && IsAmber(bottom);
        check.plain = check.plain && top == Face() && middle == Face() && bottom == Face();
        check.belowPlain = check.belowPlain && GetPixel(dc, x, 82) == Face();
    }
    ReleaseDC(window, dc);
    return check;
}

TEST(LogoBand, EveryDialogWithABandShowsThePictureAcrossItsFullWidth) {
    g_bChineseUI = 0;
    CAboutDlg about;
    CEncPwdDlg encrypt;
    CDecPwdDlg decrypt;
    for (CTolvaneDialog* dialog : {static_cast<CTolvaneDialog*>(&about), static_cast<CTolvaneDialog*>(&encrypt),
                                   static_cast<CTolvaneDialog*>(&decrypt)}) {
        ASSERT_TRUE(dialog->Create());
        HWND window = dialog->GetSafeHwnd();
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        const BandCheck band = SampleBand(window);
        EXPECT_GT(band.width, 300);
        EXPECT_TRUE(band.topNavy) << "template " << dialog->TemplateId();
        EXPECT_TRUE(band.bottomAmber) << "upright, down to row 79: template " << dialog->TemplateId();
        EXPECT_TRUE(band.belowPlain) << "nothing below row 80: template " << dialog->TemplateId();
        dialog->DestroyWindow();
    }
}

// A plain window, and a copy of the empty DLL in a folder of its own: the painter looks for the picture
// beside that module.
class LogoFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = fs::path(temp) / (L"标志 logo folder " + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(folder);
        fs::copy_file(ExeFolder() / L"picture_module.dll", folder / L"picture_module.dll",
                      fs::copy_options::overwrite_existing);
        module = LoadLibraryW((folder / L"picture_module.dll").c_str());
        ASSERT_NE(module, nullptr);

        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = ThisModule();
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = L"TolvaneLogoTestWindow";
        RegisterClassW(&windowClass);
    }
    void TearDown() override {
        if (window) {
            DestroyWindow(window);
        }
        FreeLibrary(module);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    static fs::path ExeFolder() {
        std::wstring path(32768, L'\0');
        path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
        return fs::path(path).parent_path();
    }

    void OpenWindow(int clientWidth) {
        if (window) {
            DestroyWindow(window);
        }
        RECT frame{0, 0, clientWidth, 200};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        window =
            CreateWindowW(L"TolvaneLogoTestWindow", L"logo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, ThisModule(), nullptr);
        ASSERT_NE(window, nullptr);
        UpdateWindow(window);
    }

    void PutPicture(const std::string& bytes) { std::ofstream(folder / kLogoFileName, std::ios::binary) << bytes; }

    // Busy blocks of the process heap whose size is within a block header of size: GlobalAlloc's
    // movable blocks live there.
    static int HeapBlocksOfSize(size_t size) {
        int count = 0;
        HANDLE heap = GetProcessHeap();
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) && entry.cbData >= size && entry.cbData <= size + 64) {
                ++count;
            }
        }
        HeapUnlock(heap);
        return count;
    }

    fs::path folder;
    HMODULE module = nullptr;
    HWND window = nullptr;
};

TEST_F(LogoFolderTest, PictureBesideTheModuleFillsTheBandOfAnyWidth) {
    fs::copy_file(ExeFolder() / kLogoFileName, folder / kLogoFileName);
    for (int width : {420, 640}) {
        OpenWindow(width);
        ASSERT_TRUE(SampleBand(window).plain);
        DrawLogo(window, module);
        const BandCheck band = SampleBand(window);
        EXPECT_EQ(band.width, width);
        EXPECT_TRUE(band.topNavy) << width;
        EXPECT_TRUE(band.bottomAmber) << width;
        EXPECT_TRUE(band.belowPlain) << width;
    }
}

TEST_F(LogoFolderTest, UnusablePictureLeavesTheBandPlainQuietlyAndFreesItsBlock) {
    // A size no other block of this process has, so the heap count sees only the painter's block.
    const size_t oddSize = 54321;
    struct Case {
        const char* name;
        bool present;
        std::string bytes;
    };
    const Case cases[] = {
        {"missing", false, ""},
        {"empty", true, ""},
        {"not a picture", true, std::string(oddSize, 'T')},
        {"truncated JPEG header", true, std::string("\xFF\xD8\xFF\xE0", 4) + std::string(oddSize - 4, '\0')},
    };
    OpenWindow(480);
    for (const Case& c : cases) {
        std::error_code ignored;
        fs::remove(folder / kLogoFileName, ignored);
        if (c.present) {
            PutPicture(c.bytes);
        }
        const int blocksBefore = HeapBlocksOfSize(oddSize);
        for (int paint = 0; paint < 5; ++paint) {
            DrawLogo(window, module);
        }
        EXPECT_TRUE(SampleBand(window).plain) << c.name;
        EXPECT_EQ(HeapBlocksOfSize(oddSize), blocksBefore) << c.name;
        EXPECT_TRUE(dialog_robot::VisibleDialogs().empty()) << c.name << ": no message";
    }
}

TEST_F(LogoFolderTest, RepeatedPaintsOfAGoodPictureKeepNoBlock) {
    fs::copy_file(ExeFolder() / kLogoFileName, folder / kLogoFileName);
    const size_t size = static_cast<size_t>(fs::file_size(folder / kLogoFileName));
    OpenWindow(480);
    DrawLogo(window, module);
    const int blocksBefore = HeapBlocksOfSize(size);
    for (int paint = 0; paint < 10; ++paint) {
        DrawLogo(window, module);
    }
    EXPECT_EQ(HeapBlocksOfSize(size), blocksBefore);
}

} // namespace

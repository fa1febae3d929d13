// Encrypting never begins on a folder Windows or its programs need: the command refuses before it asks
// for a password, names the folder, and converts no other item of the selection. A folder of the user's
// own is asked for as always. Should a refusal ever fail, the script cancels the password dialog, so the
// system's folders are never touched.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "qarnet_fixtures.h"
#include "qarnet_world_test.h"

namespace {

namespace robot = dialog_robot;

std::wstring Known(REFKNOWNFOLDERID folder) {
    wchar_t* raw = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(folder, 0, nullptr, &raw))) {
        path = raw;
    }
    CoTaskMemFree(raw);
    return path;
}

// What the user met: the refusal's text, or that the password was asked for (then cancelled).
struct Met {
    std::wstring refusal;
    bool askedForPassword = false;
};

Met Encrypt(const std::vector<std::wstring>& paths) {
    Met met;
    robot::RunModal(
        [&] {
            EXPECT_EQ(EncryptThroughTheWindows11Menu(paths), S_OK);
            return INT_PTR{0};
        },
        [&] {
            for (int round = 0; round < 250 && met.refusal.empty() && !met.askedForPassword; ++round) {
                if (HWND password = robot::WaitForDialogWithControl(kEncryptPasswordEdit, robot::Timeout(0))) {
                    met.askedForPassword = true;
                    robot::Click(password, IDCANCEL);
                } else if (const robot::MessageBoxInfo box = robot::WaitForMessageBox(nullptr, robot::Timeout(0))) {
                    met.refusal = box.text;
                    robot::DismissMessageBox(box.window);
                }
                Sleep(20);
            }
        });
    return met;
}

std::wstring RefusalNaming(const std::wstring& folder) {
    if (ChineseExpected()) {
        return L"Tolvane 不加密“" + folder + L"”：Windows 及其程序需要此文件夹。所选项目均未加密。";
    }
    return L"Tolvane does not encrypt \u201C" + folder +
           L"\u201D: Windows and its programs need this folder. Nothing of the selection was encrypted.";
}

class SystemFoldersTest : public QarnetWorldTest {};

TEST_F(SystemFoldersTest, RefusedBeforeThePasswordWithTheFolderNamed) {
    const std::wstring windows = Known(FOLDERID_Windows);
    const std::wstring profile = Known(FOLDERID_Profile);
    const std::wstring own = m_folder / L"mine.txt";
    ASSERT_TRUE(WriteBytes(own, "mine"));
    struct Row {
        const char* what;
        std::vector<std::wstring> selection;
        std::wstring named;
    };
    const Row rows[] = {
        {"the Windows folder", {windows}, windows},
        {"a folder inside it", {windows + L"\\system32"}, windows},
        {"Program Files", {Known(FOLDERID_ProgramFiles)}, Known(FOLDERID_ProgramFiles)},
        {"ProgramData", {Known(FOLDERID_ProgramData)}, Known(FOLDERID_ProgramData)},
        {"inside AppData", {Known(FOLDERID_RoamingAppData)}, Known(FOLDERID_RoamingAppData)},
        {"the profile itself", {profile}, profile},
        {"the system drive's root", {windows.substr(0, 3)}, windows.substr(0, 3)},
        {"a folder that holds the profile", {profile.substr(0, profile.find_last_of(L'\\'))}, profile},
        {"a file of the user's beside the Windows folder", {own, windows}, windows},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Met met = Encrypt(row.selection);
        EXPECT_FALSE(met.askedForPassword) << "the password was asked for";
        EXPECT_EQ(met.refusal, RefusalNaming(row.named));
    }
    EXPECT_EQ(ReadText(own), "mine") << "nothing of the selection was converted";
}

TEST_F(SystemFoldersTest, TheUsersOwnFoldersAreAskedForAsAlways) {
    // The test's folder lies inside the profile, as Documents does.
    const std::wstring own = m_folder / L"mine.txt";
    ASSERT_TRUE(WriteBytes(own, "mine"));
    const Met met = Encrypt({m_folder.root().wstring()});
    EXPECT_TRUE(met.askedForPassword);
    EXPECT_EQ(met.refusal, L"");
}

} // namespace

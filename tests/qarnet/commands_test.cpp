// The three menu commands end to end: real folders, the password typed into the real dialogs by the
// dialog robot, the files on disk checked afterwards, and the windows the commands open watched.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "container.h"
#include "dialog_robot.h"
#include "expected_language.h"
#include "qarnet_fixtures.h"
#include "qarnet_world_test.h"

namespace {

namespace robot = dialog_robot;

constexpr int kProgressOnlyControl = 220; // a label only the progress template holds

bool IsProgressWindow(HWND window) {
    return GetDlgItem(window, kProgressOnlyControl) != nullptr;
}

// The progress windows this thread created and destroyed, as a thread hook sees them. A dialog is known
// from its creation on; whether it is the progress window shows once its controls exist, so one that is
// never destroyed still counts as created.
struct WindowWatch {
    int progressDestroyed = 0;
    bool progressWasTopmost = false;
    std::vector<HWND> dialogsAlive;

    int ProgressCreated() const {
        return progressDestroyed +
               static_cast<int>(std::count_if(dialogsAlive.begin(), dialogsAlive.end(), IsProgressWindow));
    }
};
WindowWatch* g_watch = nullptr;

LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_CREATEWND && g_watch != nullptr && GetClassNameW(window, className, 16) > 0 &&
        std::wstring(className) == L"#32770") {
        g_watch->dialogsAlive.push_back(window);
    }
    if (code == HCBT_DESTROYWND && g_watch != nullptr) {
        std::erase(g_watch->dialogsAlive, window);
        if (IsProgressWindow(window)) {
            ++g_watch->progressDestroyed;
            g_watch->progressWasTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class CommandsTest : public QarnetWorldTest {
protected:
    void SetUp() override {
        QarnetWorldTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        g_watch = &m_watch;
        m_hook = SetWindowsHookExW(WH_CBT, WatchWindows, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(m_hook);
        g_watch = nullptr;
    }

    // A handler initialised with these items, as Explorer makes one.
    IContextMenu* HandlerFor(const std::vector<std::wstring>& items) { return InitialisedHandlerFor(items); }

    // A handler initialised from a drop list that the clipboard's data object carries.
    IContextMenu* HandlerForDropList(const std::vector<std::wstring>& items) {
        std::wstring list;
        for (const std::wstring& item : items) {
            list += item + L'\0';
        }
        list += L'\0';
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        if (!OpenClipboard(nullptr)) {
            GlobalFree(memory);
            return nullptr;
        }
        EmptyClipboard();
        SetClipboardData(CF_HDROP, memory);
        CloseClipboard();
        IDataObject* data = nullptr;
        IShellExtInit* init = nullptr;
        IContextMenu* menu = nullptr;
        if (SUCCEEDED(OleGetClipboard(&data)) &&
            SUCCEEDED(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                       reinterpret_cast<void**>(&init))) &&
            init->Initialize(nullptr, data, nullptr) == S_OK) {
            init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
        }
        if (init != nullptr) {
            init->Release();
        }
        if (data != nullptr) {
            data->Release();
        }
        return menu;
    }

    static HRESULT Invoke(IContextMenu* menu, UINT offset, const std::function<void()>& script) {
        HRESULT hr = E_FAIL;
        robot::RunModal(
            [&] {
                CMINVOKECOMMANDINFO info{};
                info.cbSize = sizeof(info);
                info.lpVerb = MAKEINTRESOURCEA(offset);
                hr = menu->InvokeCommand(&info);
                return INT_PTR{0};
            },
            script);
        return hr;
    }

    // Every message box until none comes for a while, each answered.
    static std::vector<robot::MessageBoxInfo> CollectMessageBoxes(std::vector<HWND>* owners) {
        std::vector<robot::MessageBoxInfo> boxes;
        while (auto box = robot::WaitForMessageBox(nullptr, robot::Timeout(3000))) {
            owners->push_back(GetWindow(box.window, GW_OWNER));
            boxes.push_back(box);
            robot::DismissMessageBox(box.window);
        }
        return boxes;
    }

    WindowWatch m_watch;
    HHOOK m_hook = nullptr;
};

TEST_F(CommandsTest, EncryptThenDecryptAFolder) {
    const std::wstring docs = m_folder / L"docs";
    ASSERT_TRUE(CreateDirectoryW(docs.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((docs + L"\\sub").c_str(), nullptr));
    const std::string alpha = "alpha text";
    const std::string beta(3 * 1048576 + 5, 'b');
    ASSERT_TRUE(WriteBytes(docs + L"\\a.txt", alpha));
    ASSERT_TRUE(WriteBytes(docs + L"\\sub\\b.dat", beta));

    IContextMenu* encrypt = HandlerFor({docs});
    ASSERT_NE(encrypt, nullptr);
    EXPECT_EQ(Invoke(encrypt, 0, [] { TypeEncryptPassword(L"pass word"); }), S_OK);
    EXPECT_FALSE(FileExists(docs + L"\\a.txt"));
    EXPECT_FALSE(FileExists(docs + L"\\sub\\b.dat"));
    const std::vector<std::wstring> top = ListNames(docs);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_TRUE(EndsWithEnc(top[0]));
    EXPECT_EQ(top[1], L"sub");
    const std::vector<std::wstring> below = ListNames(docs + L"\\sub");
    ASSERT_EQ(below.size(), 1u);
    EXPECT_TRUE(EndsWithEnc(below[0]));
    EXPECT_EQ(m_watch.ProgressCreated(), 1);
    EXPECT_EQ(m_watch.progressDestroyed, 1);
    EXPECT_TRUE(m_watch.progressWasTopmost);

    // The command used the selection: a second one on the same object asks nothing.
    EXPECT_EQ(Invoke(encrypt, 0,
                     [] {
                         Sleep(300);
                         EXPECT_TRUE(robot::VisibleDialogs().empty());
                     }),
              S_OK);
    encrypt->Release();

    IContextMenu* decrypt = HandlerFor({docs});
    ASSERT_NE(decrypt, nullptr);
    EXPECT_EQ(Invoke(decrypt, 1, [] { TypeDecryptPassword(L"pass word"); }), S_OK);
    decrypt->Release();
    EXPECT_EQ(ReadText(docs + L"\\a.txt"), alpha);
    EXPECT_EQ(ReadText(docs + L"\\sub\\b.dat"), beta);
    EXPECT_EQ(ListNames(docs), (std::vector<std::wstring>{L"a.txt", L"sub"}));
    EXPECT_EQ(m_watch.ProgressCreated(), 2);
}

TEST_F(CommandsTest, CancelAndAboutLeaveTheSelectionAndTheFiles) {
    const std::wstring file = m_folder / L"keep.txt";
    ASSERT_TRUE(WriteBytes(file, "keep me"));
    IContextMenu* menu = HandlerFor({file});
    ASSERT_NE(menu, nullptr);
    for (UINT offset : {0u, 1u}) {
        EXPECT_EQ(Invoke(menu, offset,
                         [offset] {
                             HWND dialog = robot::WaitForDialogWithControl(offset == 0 ? kEncryptPasswordEdit
                                                                                       : kDecryptPasswordEdit);
                             ASSERT_NE(dialog, nullptr);
                             robot::Click(dialog, IDCANCEL);
                         }),
                  S_OK);
    }
    EXPECT_EQ(Invoke(menu, 2,
                     [] {
                         Sleep(200);
                         const std::vector<HWND> dialogs = robot::VisibleDialogs();
                         ASSERT_EQ(dialogs.size(), 1u);
                         robot::Click(dialogs[0], IDOK);
                         robot::WaitUntilClosed(dialogs[0]);
                     }),
              S_OK);
    // Still the same selection: the encrypt command asks again.
    EXPECT_EQ(Invoke(menu, 0,
                     [] {
                         HWND dialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
                         ASSERT_NE(dialog, nullptr);
                         robot::Click(dialog, IDCANCEL);
                     }),
              S_OK);
    menu->Release();
    EXPECT_EQ(ReadText(file), "keep me");
    EXPECT_EQ(ListNames(m_folder.root()), std::vector<std::wstring>{L"keep.txt"});
    EXPECT_EQ(m_watch.ProgressCreated(), 0);
}

TEST_F(CommandsTest, WrongPasswordOncePerContainerAndFailuresCounted) {
    for (const wchar_t* name : {L"x.txt", L"y.txt", L"z.txt"}) {
        ASSERT_TRUE(WriteBytes(m_folder / name, "secret"));
        ASSERT_EQ(EncryptOneFile((m_folder / name).c_str(), L"right"), 1);
    }
    std::vector<std::wstring> containers = ListNames(m_folder.root());
    ASSERT_EQ(containers.size(), 3u);
    // A container another program holds open cannot be read: a failure of its own kind.
    HANDLE held = CreateFileW((m_folder / containers[2]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    IContextMenu* menu = HandlerFor({m_folder.root()});
    ASSERT_NE(menu, nullptr);
    std::vector<robot::MessageBoxInfo> boxes;
    std::vector<HWND> owners;
    EXPECT_EQ(Invoke(menu, 1,
                     [&] {
                         TypeDecryptPassword(L"wrong");
                         boxes = CollectMessageBoxes(&owners);
                     }),
              S_OK);
    menu->Release();
    CloseHandle(held);

    const bool chinese = ChineseExpected();
    ASSERT_EQ(boxes.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(boxes[i].caption, L"Tolvane");
        EXPECT_EQ(boxes[i].text, chinese ? L"文件格式不正确或密码错误!" : L"Wrong file format or incorrect password!");
        EXPECT_NE(owners[i], nullptr) << "owned by the progress window";
    }
    EXPECT_EQ(boxes[2].caption, L"Tolvane");
    EXPECT_EQ(boxes[2].text, chinese ? L"有 1 个文件无法转换。" : L"1 file could not be converted.");
    EXPECT_EQ(ListNames(m_folder.root()), containers) << "every container stays";
}

// QvDecFile gives the name the last decryption of the process restored, a menu command's as well: after a
// call that restores nothing, the caller's buffer holds the name the menu command restored.
TEST_F(CommandsTest, QvDecFileAfterAMenuDecryptionGivesTheNameItRestored) {
    ASSERT_TRUE(WriteBytes(m_folder / L"menu note.txt", "from the menu"));
    ASSERT_TRUE(WriteBytes(m_folder / L"other.txt", "other"));
    const ConvertResult fromMenu = EncryptToContainer((m_folder / L"menu note.txt").c_str(), L"menu");
    ASSERT_EQ(fromMenu.outcome, ConvertOutcome::Converted);
    std::wstring other = EncryptToContainer((m_folder / L"other.txt").c_str(), L"other").outputPath;
    ASSERT_FALSE(other.empty());

    IContextMenu* menu = HandlerFor({fromMenu.outputPath});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Invoke(menu, 1, [] { TypeDecryptPassword(L"menu"); }), S_OK);
    EXPECT_EQ(ReadText(m_folder / L"menu note.txt"), "from the menu");
    IQvShellExt* automation = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IQvShellExt, reinterpret_cast<void**>(&automation)), S_OK);
    menu->Release();

    wchar_t restored[kRestoredNameUnits] = L"untouched";
    HRESULT decrypted = E_FAIL;
    robot::RunModal(
        [&] {
            decrypted = automation->QvDecFile(reinterpret_cast<unsigned short*>(other.data()),
                                              reinterpret_cast<unsigned short*>(restored));
            return INT_PTR{0};
        },
        [] {
            TypeDecryptPassword(L"wrong");
            if (const robot::MessageBoxInfo box = robot::WaitForMessageBox()) {
                robot::DismissMessageBox(box.window);
            }
        });
    automation->Release();
    EXPECT_EQ(decrypted, S_FALSE);
    EXPECT_EQ(std::wstring(restored), L"menu note.txt");
}

TEST_F(CommandsTest, SelectedPathsLongerThanMaxPathAreKeptWhole) {
    if (ExpectedSystemLangId().value_or(0x0409) != 0x0409) {
        GTEST_SKIP() << "the path handling does not depend on the language; checked in the English run";
    }
    std::wstring folder = m_folder.root();
    while (folder.size() < 300) {
        folder += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    const std::wstring file = folder + L"\\deep.txt";
    ASSERT_TRUE(WriteBytes(file, "deep"));
    // Wine's shell makes no item list for a path this long, so the drop list travels through the
    // clipboard, whose OLE data object offers it as CF_HDROP like the shell's own.
    IContextMenu* menu = HandlerForDropList({file});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Invoke(menu, 0, [] { TypeEncryptPassword(L"deep"); }), S_OK);
    menu->Release();
    EXPECT_FALSE(FileExists(file));
    const std::vector<std::wstring> names = ListNames(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(EndsWithEnc(names[0]));
    EXPECT_EQ(m_watch.ProgressCreated(), 1);
}

TEST_F(CommandsTest, ASecondCommandIsRefusedWhileOneRuns) {
    const std::wstring file = m_folder / L"one.txt";
    ASSERT_TRUE(WriteBytes(file, "one"));
    IContextMenu* first = HandlerFor({file});
    IContextMenu* second = HandlerFor({file});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    IQvShellExt* automation = nullptr;
    ASSERT_EQ(second->QueryInterface(IID_IQvShellExt, reinterpret_cast<void**>(&automation)), S_OK);

    // While the first command's dialog pumps messages, both ways in try to start a second one.
    HRESULT decryptResult = E_FAIL;
    HRESULT menuResult = E_FAIL;
    PostedAction secondCommand([&] {
        wchar_t name[] = L"C:\\nothing.ENC";
        wchar_t restored[kRestoredNameUnits] = L"untouched";
        decryptResult =
            automation->QvDecFile(reinterpret_cast<unsigned short*>(name), reinterpret_cast<unsigned short*>(restored));
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof(info);
        info.lpVerb = MAKEINTRESOURCEA(0);
        menuResult = second->InvokeCommand(&info);
    });
    ASSERT_TRUE(secondCommand.Ready());

    robot::MessageBoxInfo refusal;
    EXPECT_EQ(Invoke(first, 0,
                     [&] {
                         HWND dialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
                         ASSERT_NE(dialog, nullptr);
                         secondCommand.Post();
                         refusal = robot::WaitForMessageBox();
                         if (refusal) {
                             robot::DismissMessageBox(refusal.window);
                         }
                         Sleep(100);
                         robot::Click(dialog, IDCANCEL);
                     }),
              S_OK);
    automation->Release();
    second->Release();
    first->Release();

    EXPECT_EQ(decryptResult, S_FALSE);
    EXPECT_EQ(menuResult, S_OK);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal.caption, L"Tolvane");
    EXPECT_EQ(refusal.text,
              InLanguage(L"Another Tolvane operation is in progress.", L"另一个 Tolvane 操作正在进行中。"));
    EXPECT_EQ(ReadText(file), "one");
}

} // namespace

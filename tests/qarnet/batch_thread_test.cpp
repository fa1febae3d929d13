// A batch off the calling thread, as Explorer and a user meet it: the caller's windows and the progress
// window answer throughout, the module stays while the host lets go of the menu and frees unused
// libraries mid-batch, and Cancel stops an operation with the file in hand left as it was, from the
// classic menu, the Windows 11 menu and the open-file mode.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <optional>
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
using Clock = std::chrono::steady_clock;

constexpr int kProgressOnlyLabel = 220;
constexpr UINT kProbe = WM_APP + 7;
// Windows draws a window whose thread has not answered for this long as "not responding".
constexpr UINT kHungAfterMs = 5000;

// Files of distinct content in folder; their bytes by full path.
std::map<std::wstring, std::string> MakeFiles(const std::wstring& folder, int count, size_t size) {
    std::map<std::wstring, std::string> files;
    for (int i = 1; i <= count; ++i) {
        std::string bytes(size, static_cast<char>('a' + i));
        bytes.replace(0, 8, "file " + std::to_string(i) + "  ");
        const std::wstring path = folder + L"\\file " + std::to_wstring(i) + L".dat";
        EXPECT_TRUE(WriteBytes(path, bytes));
        files[path] = std::move(bytes);
    }
    return files;
}

int ContainersIn(const std::wstring& folder) {
    const std::vector<std::wstring> names = ListNames(folder);
    return static_cast<int>(std::count_if(names.begin(), names.end(), EndsWithEnc));
}

HWND FindProgressWindow() {
    for (HWND dialog : robot::VisibleDialogs()) {
        if (GetDlgItem(dialog, kProgressOnlyLabel) != nullptr) {
            return dialog;
        }
    }
    return nullptr;
}

HRESULT InvokeClassic(IContextMenu* menu, UINT offset) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(offset);
    return menu->InvokeCommand(&info);
}

// The host's own visible window on the calling thread, as Explorer's folder window is. While the
// progress window is up it counts the probes it answers, and at the first one it does what Explorer may
// do mid-batch: release the menu and free the libraries nobody uses.
struct HostWindow {
    HWND window = nullptr;
    IContextMenu* menuToRelease = nullptr;
    int answeredDuringBatch = 0;
    bool releasedMidBatch = false;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != kProbe || host == nullptr) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        if (FindProgressWindow() != nullptr) {
            ++host->answeredDuringBatch;
            if (host->menuToRelease != nullptr) {
                host->menuToRelease->Release();
                host->menuToRelease = nullptr;
                CoFreeUnusedLibrariesEx(0, 0);
                host->releasedMidBatch = true;
            }
        }
        return 1;
    }

    HostWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TolvaneTestFolderWindow";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"Folder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                                 300, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { DestroyWindow(window); }
};

// How long a window took to answer a message sent from another thread, at most kHungAfterMs.
struct Answers {
    int sent = 0;
    int unanswered = 0;
    long long slowestMs = 0;

    // batchOver: a probe still waiting when the batch ends meets a thread that has stopped reading its
    // messages on purpose (the test joins its robot), which is not a hang.
    void Probe(HWND window, UINT message, const std::atomic<bool>& batchOver) {
        DWORD_PTR result = 0;
        const auto start = Clock::now();
        const bool answered = SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, kHungAfterMs, &result) != 0;
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        // A progress window may close between being found and being asked.
        if (!answered && (!IsWindow(window) || batchOver)) {
            return;
        }
        ++sent;
        unanswered += answered ? 0 : 1;
        slowestMs = std::max(slowestMs, ms);
    }
};

// The module registered, but not held loaded by the test, so that COM may really free it.
class UnheldModuleTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_ole.Result(), S_OK);
        LoadedQarnet module;
        ASSERT_EQ(module.Register(), S_OK);
    }
    void TearDown() override {
        LoadedQarnet module;
        module.Unregister();
    }

    OleSession m_ole;
    TempFolder m_folder{"qarnet"};
};

TEST_F(UnheldModuleTest, WindowsAnswerThroughoutAndTheMenuMayBeReleasedMidBatch) {
    const std::wstring folder = m_folder.root();
    const std::map<std::wstring, std::string> files = MakeFiles(folder, 4, 48u << 20);
    HostWindow host;
    ASSERT_NE(host.window, nullptr);
    host.menuToRelease = InitialisedHandlerFor({folder});
    ASSERT_NE(host.menuToRelease, nullptr);

    std::atomic<bool> batchOver = false;
    Answers hostAnswers;
    Answers progressAnswers;
    HRESULT hr = E_PENDING;
    robot::RunModal(
        [&] {
            hr = InvokeClassic(host.menuToRelease, 0);
            batchOver = true;
            return INT_PTR{0};
        },
        [&] {
            TypeEncryptPassword(L"responsive");
            while (!batchOver) {
                hostAnswers.Probe(host.window, kProbe, batchOver);
                if (HWND progress = FindProgressWindow()) {
                    progressAnswers.Probe(progress, WM_NULL, batchOver);
                }
                Sleep(10);
            }
        });
    if (host.menuToRelease != nullptr) {
        host.menuToRelease->Release();
    }
    RecordProperty("slowest_folder_window_answer_ms", static_cast<int>(hostAnswers.slowestMs));
    RecordProperty("slowest_progress_window_answer_ms", static_cast<int>(progressAnswers.slowestMs));
    std::printf("slowest answer: folder window %lld ms (%d probes), progress window %lld ms (%d probes)\n",
                hostAnswers.slowestMs, hostAnswers.sent, progressAnswers.slowestMs, progressAnswers.sent);

    EXPECT_EQ(hr, S_OK);
    EXPECT_GT(host.answeredDuringBatch, 0) << "the folder window answered nothing while the batch ran";
    EXPECT_GT(progressAnswers.sent, 0) << "the progress window was never seen";
    EXPECT_EQ(hostAnswers.unanswered, 0) << "the folder window hung";
    EXPECT_EQ(progressAnswers.unanswered, 0) << "the progress window hung";
    EXPECT_TRUE(host.releasedMidBatch);
    EXPECT_EQ(ContainersIn(folder), 4) << "the batch went on to the end after the menu was released";
    EXPECT_EQ(ListNames(folder).size(), 4u);
}

// What the user reads after cancelling a batch.
std::wstring CancelSummary(int converted, int total) {
    if (ChineseExpected()) {
        return L"操作已取消：" + std::to_wstring(total) + L" 个文件中已转换 " + std::to_wstring(converted) +
               L" 个，其余文件保持原样。";
    }
    return L"Cancelled: " + std::to_wstring(converted) + L" of " + std::to_wstring(total) +
           L" files converted; the rest were left as they were.";
}

class CancelTest : public QarnetWorldTest {};

// The two menus' ways of starting an encryption of one folder.
enum class Menu { Classic, Windows11 };

HRESULT EncryptFolderThrough(Menu menu, const std::wstring& folder) {
    if (menu == Menu::Classic) {
        IContextMenu* handler = InitialisedHandlerFor({folder});
        if (handler == nullptr) {
            return E_FAIL;
        }
        const HRESULT hr = InvokeClassic(handler, 0);
        handler->Release();
        return hr;
    }
    return EncryptThroughTheWindows11Menu({folder});
}

// How a batch is stopped: Cancel in either menu's progress window, or the thread told to quit.
struct StopRow {
    const char* name;
    Menu menu;
    bool quit;
};
const StopRow kStopRows[] = {
    {"Cancel, classic menu", Menu::Classic, false},
    {"Cancel, Windows 11 menu", Menu::Windows11, false},
    {"WM_QUIT, classic menu", Menu::Classic, true},
};
constexpr int kQuitCode = 7;

TEST_F(CancelTest, StoppedDuringTheThirdOfSixFilesItAndTheRestStayPlain) {
    int round = 0;
    for (const StopRow& row : kStopRows) {
        SCOPED_TRACE(row.name);
        const std::wstring folder = m_folder / (L"batch " + std::to_wstring(++round));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        const std::map<std::wstring, std::string> files = MakeFiles(folder, 6, (2u << 20) + 77);

        robot::MessageBoxInfo summary;
        HRESULT hr = E_PENDING;
        std::wstring fileInHand;
        std::optional<WPARAM> quitAfterwards;
        robot::RunModal(
            [&] {
                CancelAtFile cancel(3, row.quit ? std::optional<int>(kQuitCode) : std::nullopt);
                hr = EncryptFolderThrough(row.menu, folder);
                fileInHand = cancel.FileInHand();
                MSG message;
                if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
                    quitAfterwards = message.wParam;
                }
                return INT_PTR{0};
            },
            [&] {
                TypeEncryptPassword(L"stop me");
                // A program that is quitting is told nothing more.
                summary = robot::WaitForMessageBox(nullptr, robot::Timeout(row.quit ? 2000 : 10000));
                if (summary) {
                    robot::DismissMessageBox(summary.window);
                }
            });
        if (row.quit) {
            EXPECT_FALSE(summary) << testing::PrintToString(summary.text);
            EXPECT_EQ(quitAfterwards, std::optional<WPARAM>(kQuitCode)) << "the WM_QUIT was not posted again";
        } else {
            EXPECT_EQ(summary.text, CancelSummary(2, 6));
            EXPECT_EQ(summary.caption, L"Tolvane");
            EXPECT_EQ(quitAfterwards, std::nullopt);
        }
        EXPECT_EQ(hr, S_OK);
        ASSERT_EQ(files.count(fileInHand), 1u) << "the batch was never stopped during the third file";

        // Two containers, the file in hand and the three never started exactly as they were, nothing else.
        EXPECT_EQ(ContainersIn(folder), 2);
        EXPECT_EQ(ListNames(folder).size(), 6u);
        EXPECT_TRUE(ReadText(fileInHand) == files.at(fileInHand)) << "the file in hand was changed";
        int plainKept = 0;
        for (const auto& [path, bytes] : files) {
            if (FileExists(path)) {
                ++plainKept;
                EXPECT_TRUE(ReadText(path) == bytes) << testing::PrintToString(path) << " was changed";
            }
        }
        EXPECT_EQ(plainKept, 4);

        IContextMenu* decrypt = InitialisedHandlerFor({folder});
        ASSERT_NE(decrypt, nullptr);
        robot::RunModal(
            [&] {
                EXPECT_EQ(InvokeClassic(decrypt, 1), S_OK);
                return INT_PTR{0};
            },
            [] { TypeDecryptPassword(L"stop me"); });
        decrypt->Release();
        for (const auto& [path, bytes] : files) {
            EXPECT_TRUE(ReadText(path) == bytes) << testing::PrintToString(path) << " did not come back";
        }
        EXPECT_EQ(ListNames(folder).size(), 6u);
    }
}

TEST_F(CancelTest, OpenFileModeCancelLeavesEachFormAsItWas) {
    const std::wstring plain = m_folder / L"letter.txt";
    const std::string text((3u << 20) + 5, 'l');
    ASSERT_TRUE(WriteBytes(plain, text));
    ASSERT_EQ(EncryptOneFile(plain.c_str(), L"open me"), 1);
    const std::vector<std::wstring> sealedNames = ListNames(m_folder.root());
    ASSERT_EQ(sealedNames.size(), 1u);
    std::wstring container = m_folder / sealedNames[0];
    const std::optional<std::string> sealed = ReadText(container);

    IQvShellExt* automation = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IQvShellExt,
                               reinterpret_cast<void**>(&automation)),
              S_OK);
    auto decrypt = [&](bool cancelIt) {
        wchar_t restored[kRestoredNameUnits] = L"untouched";
        HRESULT hr = E_PENDING;
        robot::RunModal(
            [&] {
                const std::optional<CancelAtFile> cancel =
                    cancelIt ? std::optional<CancelAtFile>(std::in_place, 1) : std::nullopt;
                hr = automation->QvDecFile(reinterpret_cast<unsigned short*>(container.data()),
                                           reinterpret_cast<unsigned short*>(restored));
                return INT_PTR{0};
            },
            [] { TypeDecryptPassword(L"open me"); });
        return hr;
    };

    EXPECT_EQ(decrypt(true), S_FALSE);
    EXPECT_TRUE(ReadText(container) == sealed) << "the container was changed";
    EXPECT_EQ(ListNames(m_folder.root()), sealedNames);

    ASSERT_EQ(decrypt(false), S_OK);
    ASSERT_TRUE(ReadText(plain) == text);
    {
        CancelAtFile cancel(1);
        EXPECT_EQ(automation->QvEncFile(reinterpret_cast<unsigned short*>(const_cast<wchar_t*>(plain.c_str()))),
                  S_FALSE);
        EXPECT_TRUE(cancel.Pressed());
    }
    EXPECT_TRUE(ReadText(plain) == text) << "the plain file was changed";
    EXPECT_EQ(ListNames(m_folder.root()), std::vector<std::wstring>{L"letter.txt"});
    EXPECT_EQ(automation->QvEncFile(reinterpret_cast<unsigned short*>(const_cast<wchar_t*>(plain.c_str()))), S_FALSE)
        << "the password was forgotten";
    automation->Release();
}

} // namespace

// Two commands at once from two threads of one process, each thread its own single-threaded apartment
// with its own handler: the one that starts first runs, the other is refused without touching its files,
// and once the first has finished the refused one runs normally. The password dialogs and the busy
// message are answered by the dialog robot from the test thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
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

constexpr DWORD kStepTimeoutMs = 20000;

// A manual-reset event: one thread says a step is reached, another waits for it, never for ever.
class Signal {
public:
    Signal() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    ~Signal() { CloseHandle(m_event); }

    void Set() { SetEvent(m_event); }
    bool Wait(DWORD timeoutMs = kStepTimeoutMs) const {
        return WaitForSingleObject(m_event, timeoutMs) == WAIT_OBJECT_0;
    }
    bool IsSet() const { return Wait(0); }

private:
    HANDLE m_event;
};

// Waits for the signal while dispatching this thread's messages: the test thread owns windows too (OLE's
// own), and a thread that sends one of them a message must not wait for ever.
bool PumpUntil(const Signal& signal, DWORD timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!signal.IsSet()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Runs the robot's script on a second thread while this one keeps handling its messages.
void Drive(const std::function<void()>& script) {
    Signal scriptDone;
    robot::RunModal(
        [&] {
            PumpUntil(scriptDone, INFINITE);
            return INT_PTR{0};
        },
        [&] {
            script();
            scriptDone.Set();
        });
}

// A thread with its own single-threaded apartment, as each Explorer window has. Its modal dialogs and
// message boxes run their own message loops. If the test fails half-way and the thread is still inside
// a dialog, the destructor cancels the process's dialogs until the body has returned, then joins.
class ApartmentThread {
public:
    explicit ApartmentThread(std::function<void()> body)
        : m_thread([this, body = std::move(body)] {
              m_threadId = GetCurrentThreadId();
              m_started.Set();
              const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
              if (SUCCEEDED(com)) {
                  body();
                  CoUninitialize();
              } else {
                  ADD_FAILURE() << "CoInitializeEx: 0x" << std::hex << com;
              }
              m_finished.Set();
          }) {
        m_started.Wait();
    }
    ApartmentThread(const ApartmentThread&) = delete;
    ApartmentThread& operator=(const ApartmentThread&) = delete;
    ~ApartmentThread() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!PumpUntil(m_finished, 100)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                // Stuck outside any dialog: end the run with a message instead of hanging until the
                // test runner's time-out.
                std::fprintf(stderr, "thread %lu did not finish; the test process ends here\n", m_threadId);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
            for (HWND dialog : robot::VisibleDialogs()) {
                if (GetWindowThreadProcessId(dialog, nullptr) == m_threadId) {
                    robot::PostCommand(dialog, IDCANCEL);
                }
            }
        }
        m_thread.join();
    }

    DWORD Id() const { return m_threadId; }
    bool WaitFinished(DWORD timeoutMs = kStepTimeoutMs) const { return m_finished.Wait(timeoutMs); }

private:
    Signal m_started;
    Signal m_finished;
    DWORD m_threadId = 0;
    std::thread m_thread;
};

DWORD OwningThread(HWND window) {
    return GetWindowThreadProcessId(window, nullptr);
}

// What is on the screen, for a failure message.
std::string OpenDialogs() {
    std::string list;
    for (HWND dialog : robot::VisibleDialogs()) {
        list += " [thread " + std::to_string(OwningThread(dialog)) + ": " +
                testing::PrintToString(robot::WindowText(dialog)) + "]";
    }
    return list.empty() ? " none" : list;
}

// Every file below folder, by path relative to it, with its bytes.
using Tree = std::map<std::wstring, std::string>;
void AddTree(const std::wstring& folder, const std::wstring& prefix, Tree* tree) {
    for (const std::wstring& name : ListNames(folder)) {
        const std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            AddTree(path, prefix + name + L"\\", tree);
        } else {
            (*tree)[prefix + name] = ReadText(path).value_or("<unreadable>");
        }
    }
}
Tree ReadTree(const std::wstring& folder) {
    Tree tree;
    AddTree(folder, L"", &tree);
    return tree;
}

// Every file below the folder is a container that the engine opens with the password, giving back
// exactly the original tree.
void ExpectEncryptedCopyOf(const std::wstring& folder, const Tree& original, const wchar_t* password) {
    const Tree encrypted = ReadTree(folder);
    EXPECT_EQ(encrypted.size(), original.size());
    for (const auto& [relative, bytes] : encrypted) {
        EXPECT_TRUE(EndsWithEnc(relative)) << "left in the clear: " << testing::PrintToString(relative);
        const ConvertResult result = DecryptFromContainer((folder + L"\\" + relative).c_str(), password);
        EXPECT_EQ(result.outcome, ConvertOutcome::Converted) << testing::PrintToString(relative);
    }
    EXPECT_EQ(ReadTree(folder), original);
}

// Writes a small tree of real files: a few plain files, one of several chunks, one in a subfolder.
Tree MakeTree(const std::wstring& folder, const std::string& seed) {
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    WriteBytes(folder + L"\\notes.txt", seed + " notes");
    WriteBytes(folder + L"\\large.bin", std::string(2 * 1048576 + 17, seed[0]));
    WriteBytes(folder + L"\\sub\\deep.txt", seed + " deep");
    return ReadTree(folder);
}

HRESULT InvokeEncrypt(IContextMenu* menu) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(0);
    return menu->InvokeCommand(&info);
}

void TypeEncryptPassword(HWND dialog, const std::wstring& password) {
    robot::Type(dialog, kEncryptPasswordEdit, password);
    robot::Type(dialog, kEncryptConfirmEdit, password);
    robot::Click(dialog, IDOK);
}

std::wstring BusyText() {
    return InLanguage(L"Another Tolvane operation is in progress.", L"另一个 Tolvane 操作正在进行中。");
}

using ConcurrencyTest = QarnetWorldTest;

// One side of the race: a folder, its handler's thread and what its commands gave.
struct Side {
    std::wstring folder;
    Tree original;
    Signal firstDone;
    Signal retry;
    bool runAgain = false; // set before retry
    HRESULT first = E_PENDING;
    HRESULT second = E_PENDING;
};

TEST_F(ConcurrencyTest, TwoEncryptCommandsAtOnceTheSecondIsRefused) {
    Side sides[2];
    sides[0].folder = m_folder / L"first";
    sides[1].folder = m_folder / L"second";
    sides[0].original = MakeTree(sides[0].folder, "alpha");
    sides[1].original = MakeTree(sides[1].folder, "omega");
    ASSERT_EQ(sides[0].original.size(), 3u);
    ASSERT_EQ(sides[1].original.size(), 3u);

    Signal ready[2];
    Signal go;
    auto body = [&](int index) {
        IContextMenu* menu = InitialisedHandlerFor({sides[index].folder});
        ready[index].Set();
        if (menu == nullptr || !go.Wait()) {
            ADD_FAILURE() << "no handler or no start on thread " << index;
            if (menu != nullptr) {
                menu->Release();
            }
            return;
        }
        sides[index].first = InvokeEncrypt(menu);
        sides[index].firstDone.Set();
        if (sides[index].retry.Wait() && sides[index].runAgain) {
            sides[index].second = InvokeEncrypt(menu);
        }
        menu->Release();
    };
    ApartmentThread threads[2] = {ApartmentThread([&] { body(0); }), ApartmentThread([&] { body(1); })};
    ASSERT_TRUE(PumpUntil(ready[0], kStepTimeoutMs) && PumpUntil(ready[1], kStepTimeoutMs));
    go.Set();

    Drive([&] {
        // Whichever thread took the operation first shows the password dialog; the other, the busy message.
        HWND passwordDialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
        ASSERT_NE(passwordDialog, nullptr) << "open dialogs:" << OpenDialogs();
        const robot::MessageBoxInfo refusal = robot::WaitForMessageBox();
        ASSERT_TRUE(refusal) << "the second command started without a word; open dialogs:" << OpenDialogs();
        const int winner = OwningThread(passwordDialog) == threads[0].Id() ? 0 : 1;
        const int loser = 1 - winner;
        ASSERT_EQ(OwningThread(passwordDialog), threads[winner].Id());
        EXPECT_EQ(OwningThread(refusal.window), threads[loser].Id());
        EXPECT_EQ(refusal.caption, L"Tolvane");
        EXPECT_EQ(refusal.text, BusyText());
        EXPECT_EQ(refusal.icon, LoadIconW(nullptr, IDI_INFORMATION));
        EXPECT_FALSE(sides[loser].firstDone.IsSet()) << "the busy message is modal";
        robot::DismissMessageBox(refusal.window);
        ASSERT_TRUE(sides[loser].firstDone.Wait());
        EXPECT_EQ(sides[loser].first, S_OK);
        EXPECT_FALSE(sides[winner].firstDone.IsSet()) << "the first command still waits for its password";
        EXPECT_EQ(ReadTree(sides[loser].folder), sides[loser].original);

        TypeEncryptPassword(passwordDialog, L"first come");
        ASSERT_TRUE(sides[winner].firstDone.Wait());
        EXPECT_EQ(sides[winner].first, S_OK);
        EXPECT_TRUE(robot::VisibleDialogs().empty());
        EXPECT_EQ(ReadTree(sides[loser].folder), sides[loser].original) << "the refused folder is untouched";
        ExpectEncryptedCopyOf(sides[winner].folder, sides[winner].original, L"first come");

        // Now free, the refused handler runs its command on its own thread with its selection intact.
        sides[loser].runAgain = true;
        sides[loser].retry.Set();
        HWND secondDialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
        ASSERT_NE(secondDialog, nullptr);
        EXPECT_EQ(OwningThread(secondDialog), threads[loser].Id());
        TypeEncryptPassword(secondDialog, L"second turn");
        ASSERT_TRUE(threads[loser].WaitFinished());
        EXPECT_EQ(sides[loser].second, S_OK);
        ExpectEncryptedCopyOf(sides[loser].folder, sides[loser].original, L"second turn");
        sides[winner].retry.Set();
        EXPECT_TRUE(threads[winner].WaitFinished());
    });
}

TEST_F(ConcurrencyTest, OpenFileDecryptIsRefusedWhileAMenuCommandAsksItsPassword) {
    const std::wstring menuFolder = m_folder / L"menu";
    const Tree menuOriginal = MakeTree(menuFolder, "menu");
    const std::wstring openFolder = m_folder / L"open";
    ASSERT_TRUE(CreateDirectoryW(openFolder.c_str(), nullptr));
    const std::wstring plain = openFolder + L"\\letter.txt";
    ASSERT_TRUE(WriteBytes(plain, "dear reader"));
    const ConvertResult made = EncryptToContainer(plain.c_str(), L"open sesame");
    ASSERT_EQ(made.outcome, ConvertOutcome::Converted);
    const std::wstring container(made.outputPath.begin(), made.outputPath.end());
    const Tree openOriginal = ReadTree(openFolder);

    Signal menuShown;
    Signal refusedDone;
    Signal menuDone;
    Signal retry;
    HRESULT menuResult = E_PENDING;
    HRESULT refused = E_PENDING;
    HRESULT retried = E_PENDING;
    wchar_t restored[kRestoredNameUnits] = L"untouched";
    std::wstring restoredAfterRefusal;

    ApartmentThread menuThread([&] {
        IContextMenu* menu = InitialisedHandlerFor({menuFolder});
        if (menu == nullptr) {
            ADD_FAILURE() << "no handler";
            return;
        }
        menuResult = InvokeEncrypt(menu);
        menuDone.Set();
        menu->Release();
    });
    ApartmentThread openThread([&] {
        IQvShellExt* object = nullptr;
        if (FAILED(CoCreateInstance(CLSID_QvShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IQvShellExt,
                                    reinterpret_cast<void**>(&object)))) {
            ADD_FAILURE() << "no automation object";
            return;
        }
        std::wstring path = container;
        if (menuShown.Wait()) {
            refused = object->QvDecFile(reinterpret_cast<unsigned short*>(path.data()),
                                        reinterpret_cast<unsigned short*>(restored));
            restoredAfterRefusal = restored;
            refusedDone.Set();
        }
        if (retry.Wait()) {
            retried = object->QvDecFile(reinterpret_cast<unsigned short*>(path.data()),
                                        reinterpret_cast<unsigned short*>(restored));
        }
        object->Release();
    });

    Drive([&] {
        HWND passwordDialog = robot::WaitForDialogWithControl(kEncryptPasswordEdit);
        ASSERT_NE(passwordDialog, nullptr);
        EXPECT_EQ(OwningThread(passwordDialog), menuThread.Id());
        menuShown.Set();
        // Refused at once: no dialog of its own, nothing on disk changed, the name buffer as it was.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepTimeoutMs);
        while (!refusedDone.Wait(20) && std::chrono::steady_clock::now() < deadline) {
            for (HWND dialog : robot::VisibleDialogs()) {
                ASSERT_EQ(OwningThread(dialog), menuThread.Id()) << "the refused call showed a window";
            }
        }
        ASSERT_TRUE(refusedDone.IsSet());
        EXPECT_EQ(refused, S_FALSE);
        EXPECT_EQ(restoredAfterRefusal, L"untouched");
        EXPECT_EQ(ReadTree(openFolder), openOriginal);
        EXPECT_FALSE(menuDone.IsSet());

        // The menu command goes on as if nothing had happened.
        TypeEncryptPassword(passwordDialog, L"menu pass");
        ASSERT_TRUE(menuDone.Wait());
        EXPECT_EQ(menuResult, S_OK);
        ExpectEncryptedCopyOf(menuFolder, menuOriginal, L"menu pass");
        EXPECT_EQ(ReadTree(openFolder), openOriginal);

        retry.Set();
        HWND decryptDialog = robot::WaitForDialogWithControl(kDecryptPasswordEdit);
        ASSERT_NE(decryptDialog, nullptr);
        EXPECT_EQ(OwningThread(decryptDialog), openThread.Id());
        robot::Type(decryptDialog, kDecryptPasswordEdit, L"open sesame");
        robot::Click(decryptDialog, IDOK);
        ASSERT_TRUE(openThread.WaitFinished());
        EXPECT_EQ(retried, S_OK);
        EXPECT_EQ(std::wstring(restored), L"letter.txt");
        EXPECT_EQ(ReadTree(openFolder), (Tree{{L"letter.txt", "dear reader"}}));
    });
}

} // namespace

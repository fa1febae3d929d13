// The open-file mode end to end: Tolvane.exe started with a container, the password typed into Qarnet's
// dialog, the plain file opened by a test association and edited, and the container there again
// afterwards with the edit inside and no plain file left. Cancel, a wrong password and a program that
// cannot be started must all leave the user's data encrypted; a program that hands the file on must leave
// it plain until the user says it is done.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "container.h"
#include "dialog_robot.h"
#include "installer_world.h"
#include "process_windows.h"

using namespace installer_world;
namespace fs = std::filesystem;

namespace {

constexpr int kPasswordEdit = 209;
constexpr int kHandOverPath = 1005;
constexpr const wchar_t* kPassword = L"Pässwort 密码";
constexpr const char* kOriginalText = "original text";

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallLibraryEntry(const char* entryName) {
    HMODULE library = ::LoadLibraryW((BuiltProgramFolder() / L"Qarnet.dll").c_str());
    if (!library) {
        return E_FAIL;
    }
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(::GetProcAddress(library, entryName)));
    const HRESULT result = entry ? entry() : E_FAIL;
    ::FreeLibrary(library);
    return result;
}

fs::path TestEditor() {
    return TestProgramFolder() / L"tolvane_test_editor.exe";
}

struct TestAssociation {
    const wchar_t* extension;
    const wchar_t* progId;
    std::wstring command;
};

std::vector<TestAssociation> TestAssociations() {
    const std::wstring editor = L"\"" + TestEditor().wstring() + L"\"";
    return {
        {L".tvedit", L"TolvaneTest.Edit", editor + L" \"%1\""},
        {L".tvhold", L"TolvaneTest.Hold", editor + L" --hold \"%1\""},
        {L".tvhandoff", L"TolvaneTest.Handoff", editor + L" --handoff \"%1\""},
        {L".tvlinger", L"TolvaneTest.Linger", editor + L" --linger \"%1\""},
        {L".tvempty", L"TolvaneTest.Empty", editor + L" --empty \"%1\""},
        {L".tvmark", L"TolvaneTest.Mark", editor + L" --mark \"%1\""},
        {L".tvmissing", L"TolvaneTest.Missing", L"\"C:\\no such folder\\missing.exe\" \"%1\""},
    };
}

void SetDefaultValue(const std::wstring& keyPath, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ::RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

class OpenEncryptedFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(CallLibraryEntry("DllRegisterServer"), S_OK);
        for (const TestAssociation& association : TestAssociations()) {
            SetDefaultValue(association.extension, association.progId);
            SetDefaultValue(std::wstring(association.progId) + L"\\shell\\open\\command", association.command);
        }
    }
    static void TearDownTestSuite() {
        for (const TestAssociation& association : TestAssociations()) {
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, association.extension);
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, association.progId);
        }
        CallLibraryEntry("DllUnregisterServer");
    }

    // A container made from a plain file of the given name holding kOriginalText.
    fs::path MakeContainer(const std::wstring& plainName) {
        const fs::path plain = m_folder.root() / plainName;
        WriteBytes(plain, kOriginalText);
        ConvertResult made = EncryptToContainer(plain.c_str(), kPassword);
        EXPECT_EQ(made.outcome, ConvertOutcome::Converted);
        return made.outputPath;
    }

    // Starts Tolvane.exe (or its test build) on the container and types the password into Qarnet's dialog.
    std::unique_ptr<RunningProgram> OpenWithPassword(const fs::path& container, const std::wstring& password,
                                                     const fs::path& tolvane = BuiltProgramFolder() / L"Tolvane.exe") {
        auto program = std::make_unique<RunningProgram>(tolvane, L"\"" + container.wstring() + L"\"");
        HWND dialog = process_windows::WaitForDialog(program->Id(), L"Password");
        EXPECT_NE(dialog, nullptr) << "the decrypt-password dialog did not appear";
        if (dialog) {
            dialog_robot::Type(dialog, kPasswordEdit, password);
            dialog_robot::Click(dialog, IDOK);
        }
        return program;
    }

    // Dismisses every message box the program shows until it ends; their texts. A hand-over window is
    // answered with "Encrypt again now" and counted in m_handOvers.
    std::vector<std::wstring> DismissBoxesUntilExit(RunningProgram& program, DWORD exitCodeWanted = 0) {
        std::vector<std::wstring> texts;
        for (int round = 0; round < 60; ++round) {
            if (auto code = program.WaitForExit(0)) {
                EXPECT_EQ(*code, exitCodeWanted);
                return texts;
            }
            if (HWND handOver = process_windows::WaitForDialog(program.Id(), L"Tolvane", dialog_robot::Timeout{0})) {
                ++m_handOvers;
                dialog_robot::Click(handOver, IDOK);
                dialog_robot::WaitUntilClosed(handOver);
            }
            if (auto box = process_windows::WaitForMessageBox(program.Id(), dialog_robot::Timeout{500})) {
                texts.push_back(box.text);
                dialog_robot::DismissMessageBox(box.window);
            }
        }
        ADD_FAILURE() << "Tolvane.exe did not end";
        return texts;
    }

    // Decrypts a copy of the container, so the original stays for further checks; the plain content.
    std::string DecryptedContent(const fs::path& container) {
        TempFolder check("check");
        const fs::path copy = check.root() / container.filename();
        fs::copy_file(container, copy);
        ConvertResult opened = DecryptFromContainer(copy.c_str(), kPassword);
        if (opened.outcome != ConvertOutcome::Converted) {
            return "<not decrypted>";
        }
        return ReadText(opened.outputPath).value_or("");
    }

    TempFolder m_folder{"open file"};
    int m_handOvers = 0;
};

// The program must find the container's mark of the web on the file it is given: it is opened only once the
// restored file is complete, mark included.
TEST_F(OpenEncryptedFile, TheProgramOpensAFileThatHasTheContainersMark) {
    const char mark[] = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/report.tvmark.ENC\r\n";
    const fs::path container = MakeContainer(L"report.tvmark");
    ASSERT_TRUE(WriteBytes(container.wstring() + L":Zone.Identifier", mark));
    TempFolder seen("mark seen");
    const fs::path copy = seen.root() / L"mark.txt";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TOLVANE_TEST_MARK_COPY", copy.c_str()));

    auto program = OpenWithPassword(container, kPassword);
    EXPECT_EQ(DismissBoxesUntilExit(*program), std::vector<std::wstring>{});
    ::SetEnvironmentVariableW(L"TOLVANE_TEST_MARK_COPY", nullptr);

    EXPECT_EQ(ReadText(copy).value_or("<not run>"), mark);
    EXPECT_EQ(DecryptedContent(container), std::string(kOriginalText) + " edited");
}

// A program that works on the file longer than a hand-over takes is waited for: no window, and the file is
// encrypted again once it ends.
TEST_F(OpenEncryptedFile, TheEditedFileIsEncryptedAgainWithTheSamePassword) {
    // Characters outside code page 936 (and a surrogate pair) must survive the whole round.
    const std::wstring plainName = L"Notiz ğ \U0001F600 文档.tvlinger";
    const fs::path container = MakeContainer(plainName);
    ASSERT_FALSE(fs::exists(m_folder.root() / plainName));

    auto program = OpenWithPassword(container, kPassword);
    EXPECT_EQ(DismissBoxesUntilExit(*program), std::vector<std::wstring>{});

    EXPECT_EQ(m_handOvers, 0);
    EXPECT_TRUE(fs::exists(container));
    EXPECT_FALSE(fs::exists(m_folder.root() / plainName)) << "no plain file may be left";
    EXPECT_EQ(DecryptedContent(container), std::string(kOriginalText) + " edited");
}

// A program that hands the file to another process and ends at once, or a start the shell gives back no
// process for: the file stays plain, named in Tolvane's own window, until the user says the work is done,
// so an edit made meanwhile goes into the container. Closing the window says the same as its button.
TEST_F(OpenEncryptedFile, AFileHandedOnStaysPlainUntilTheUserSaysSo) {
    struct HandOver {
        const char* what;
        const wchar_t* plainName;
        bool shellGivesNoProcess; // through the test build's seam
        bool closeTheWindow;
    };
    const HandOver cases[] = {
        {"handed to a second process", L"handed ğ.tvhandoff", false, false},
        {"no process given back", L"unfollowed.tvedit", true, true},
    };
    const std::string edited = std::string(kOriginalText) + " edited";
    for (const HandOver& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path plain = m_folder.root() / c.plainName;
        const fs::path container = MakeContainer(c.plainName);
        const fs::path tolvane = c.shellGivesNoProcess ? BuiltProgramFolder() / L"seam" / L"Tolvane.exe"
                                                       : BuiltProgramFolder() / L"Tolvane.exe";
        ::SetEnvironmentVariableW(L"TOLVANE_SEAM_NO_PROCESS", c.shellGivesNoProcess ? L"1" : nullptr);
        auto program = OpenWithPassword(container, kPassword, tolvane);
        ::SetEnvironmentVariableW(L"TOLVANE_SEAM_NO_PROCESS", nullptr);

        HWND window = process_windows::WaitForDialog(program->Id(), L"Tolvane");
        ASSERT_NE(window, nullptr) << "no hand-over window";
        EXPECT_EQ(dialog_robot::ControlText(window, kHandOverPath), plain.wstring());
        EXPECT_EQ(dialog_robot::ControlText(window, IDOK), L"Encrypt again now");
        for (int i = 0; i < 500 && ReadText(plain).value_or("") != edited; ++i) {
            Sleep(20);
        }
        EXPECT_EQ(ReadText(plain).value_or(""), edited) << "the late edit went into a plain file of its own";
        EXPECT_FALSE(fs::exists(container));
        if (c.closeTheWindow) {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        } else {
            dialog_robot::Click(window, IDOK);
        }
        EXPECT_EQ(DismissBoxesUntilExit(*program), std::vector<std::wstring>{});

        EXPECT_FALSE(fs::exists(plain)) << "no plain file may be left";
        EXPECT_EQ(DecryptedContent(container), edited);
    }
}

TEST_F(OpenEncryptedFile, AFileStillHeldOpenIsEncryptedOnceItIsReleased) {
    const std::wstring plainName = L"held.tvhold";
    const fs::path container = MakeContainer(plainName);

    auto program = OpenWithPassword(container, kPassword);
    EXPECT_EQ(DismissBoxesUntilExit(*program), std::vector<std::wstring>{});

    // Its program ended at once, so the user was asked; the helper still held the file then.
    EXPECT_EQ(m_handOvers, 1);
    EXPECT_FALSE(fs::exists(m_folder.root() / plainName));
    EXPECT_EQ(DecryptedContent(container), std::string(kOriginalText) + " edited");
}

TEST_F(OpenEncryptedFile, CancelAndAWrongPasswordLeaveTheContainerUntouched) {
    const fs::path container = MakeContainer(L"secret.tvedit");
    const std::string sealed = ReadText(container).value_or("");

    // Unquoted, as a user might type it: the path is taken whole all the same.
    {
        RunningProgram program(BuiltProgramFolder() / L"Tolvane.exe", container.wstring());
        HWND dialog = process_windows::WaitForDialog(program.Id(), L"Password");
        ASSERT_NE(dialog, nullptr);
        dialog_robot::Click(dialog, IDCANCEL);
        EXPECT_EQ(DismissBoxesUntilExit(program), std::vector<std::wstring>{});
    }
    EXPECT_EQ(ReadText(container).value_or(""), sealed);
    EXPECT_FALSE(fs::exists(m_folder.root() / L"secret.tvedit"));

    auto program = OpenWithPassword(container, L"not the password");
    const std::vector<std::wstring> boxes = DismissBoxesUntilExit(*program);
    EXPECT_EQ(boxes.size(), 1u) << "the wrong-password message, and nothing else";
    EXPECT_EQ(ReadText(container).value_or(""), sealed);
    EXPECT_FALSE(fs::exists(m_folder.root() / L"secret.tvedit"));
}

TEST_F(OpenEncryptedFile, APlainFileThatCannotBeEncryptedAgainIsNamedToTheUser) {
    // An empty file cannot be encrypted: it stays, and the user must learn where.
    const std::wstring plainName = L"emptied ğ.tvempty";
    const fs::path container = MakeContainer(plainName);

    auto program = OpenWithPassword(container, kPassword);
    const std::vector<std::wstring> boxes = DismissBoxesUntilExit(*program);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"The file could not be encrypted again and is still unencrypted:\n" +
                            (m_folder.root() / plainName).wstring());
    EXPECT_TRUE(fs::exists(m_folder.root() / plainName));
}

// The re-encryption's progress window answers a click while it works: Cancel leaves the edited file
// plain, and the user is told where it is, as for any re-encryption that did not happen.
TEST_F(OpenEncryptedFile, CancelWhileEncryptingAgainLeavesTheEditedFilePlainAndSaysSo) {
    const std::wstring plainName = L"large.tvedit";
    const fs::path plain = m_folder.root() / plainName;
    // Large enough that the conversion is still at work when the click arrives.
    const uintmax_t size = 256u << 20;
    ASSERT_TRUE(WriteBytes(plain, std::string(size, 'x')));
    const ConvertResult made = EncryptToContainer(plain.c_str(), kPassword);
    ASSERT_EQ(made.outcome, ConvertOutcome::Converted);

    auto program = OpenWithPassword(made.outputPath, kPassword);
    // Once the editor has written, the next progress window is the re-encryption's.
    std::error_code error;
    for (int i = 0; i < 1500 && fs::file_size(plain, error) != size + 7; ++i) {
        Sleep(20);
    }
    ASSERT_EQ(fs::file_size(plain, error), size + 7) << "the editor did not write";
    HWND handOver = process_windows::WaitForDialog(program->Id(), L"Tolvane");
    ASSERT_NE(handOver, nullptr) << "the editor ended at once: the user says when it is done";
    dialog_robot::Click(handOver, IDOK);
    HWND progress = process_windows::WaitForDialog(program->Id(), L"Progress");
    ASSERT_NE(progress, nullptr);
    dialog_robot::Click(progress, IDCANCEL);
    const std::vector<std::wstring> boxes = DismissBoxesUntilExit(*program);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"The file could not be encrypted again and is still unencrypted:\n" + plain.wstring());
    EXPECT_EQ(fs::file_size(plain, error), size + 7) << "the edited file stays whole";
    EXPECT_EQ(ListNames(m_folder.root()), std::vector<std::wstring>{plainName}) << "no container, no stray file";
}

TEST_F(OpenEncryptedFile, AFileWhoseProgramCannotStartIsEncryptedAgainAtOnce) {
    const std::wstring plainName = L"orphan.tvmissing";
    const fs::path container = MakeContainer(plainName);

    auto program = OpenWithPassword(container, kPassword);
    DismissBoxesUntilExit(*program); // the shell may say why it could not open the file

    EXPECT_EQ(m_handOvers, 0) << "nothing has the file: nobody needs to be asked";
    EXPECT_FALSE(fs::exists(m_folder.root() / plainName));
    EXPECT_EQ(DecryptedContent(container), kOriginalText);
}

} // namespace

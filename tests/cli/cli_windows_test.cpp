// tolvane-cli.exe as people type it on Windows, under Wine: names relative to the current folder, with
// the trailing dot that Windows' own path parsing would drop.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "temp_folder.h"
#include "test_files.h"
#include "unique_handle.h"

namespace {

using Handle = UniqueHandle<FileHandleTraits>;

std::wstring CliPath() {
    std::wstring path = L"Z:" TOLVANE_CLI_UNIX_PATH;
    for (wchar_t& unit : path) {
        unit = unit == L'/' ? L'\\' : unit;
    }
    return path;
}

// Runs the program in folder with the password on standard input; gives its exit code.
DWORD RunCliIn(const std::wstring& folder, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return 0xFFFF;
    }
    const Handle reader(readEnd);
    const Handle writer(writeEnd);
    SetHandleInformation(writer.get(), HANDLE_FLAG_INHERIT, 0);
    const Handle nul(
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reader.get();
    startup.hStdOutput = nul.get();
    startup.hStdError = nul.get();
    std::wstring line = L"\"" + CliPath() + L"\" --password-stdin " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup, &process)) {
        return 0xFFFE;
    }
    const Handle processHandle(process.hProcess);
    const Handle threadHandle(process.hThread);
    DWORD written = 0;
    WriteFile(writer.get(), "pass word\n", 10, &written, nullptr);
    WaitForSingleObject(processHandle.get(), 60000);
    DWORD code = 0xFFFD;
    GetExitCodeProcess(processHandle.get(), &code);
    return code;
}

TEST(CliOnWindows, RelativeNamesAreJoinedToTheCurrentFolder) {
    const TempFolder place("cli-typed");
    const std::wstring folder = place.root();
    ASSERT_TRUE(MakeFolder(folder + L"\\sub"));
    for (const wchar_t* name : {L"\\notes.txt", L"\\sub\\trail.", L"\\other.txt"}) {
        ASSERT_TRUE(WriteBytes(folder + name, "content"));
    }

    EXPECT_EQ(RunCliIn(folder, L"encrypt notes.txt sub\\trail. .\\sub\\..\\other.txt notes.txt"), 0u);
    EXPECT_TRUE(FileExists(folder + L"\\notes_txt.ENC"));
    EXPECT_FALSE(FileExists(folder + L"\\notes.txt"));
    EXPECT_FALSE(FileExists(folder + L"\\sub\\trail."));
    EXPECT_TRUE(FileExists(folder + L"\\other_txt.ENC"));

    const auto sub = ListNames(folder + L"\\sub");
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_TRUE(sub[0].ends_with(L".ENC")) << sub[0];

    EXPECT_EQ(RunCliIn(folder, L"decrypt notes_txt.ENC sub"), 0u);
    EXPECT_TRUE(FileExists(folder + L"\\notes.txt"));
    EXPECT_EQ(ListNames(folder + L"\\sub").size(), 1u);
}

// A chain deeper than the folders a walk keeps open, with paths far beyond MAX_PATH: each folder the walk
// comes back to is opened again by its long path and must be the one it left. (Wine keeps its files under
// Unix paths, whose own limit of 4,096 bytes comes long before Windows' 32,767 units.)
TEST(CliOnWindows, AChainOfFoldersFarBeyondMaxPathBothWays) {
    const TempFolder place("cli-deep");
    const std::wstring top = L"\\\\?\\" + place.root().wstring();
    std::wstring folder = top;
    std::vector<std::pair<std::wstring, std::string>> files;
    for (int depth = 1; depth <= 50; ++depth) {
        folder += L"\\" + std::wstring(56, static_cast<wchar_t>(L'a' + depth % 26)) + std::to_wstring(depth);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << depth;
        if (depth % 10 == 0) {
            files.emplace_back(folder + L"\\at depth.txt", "depth " + std::to_string(depth));
            ASSERT_TRUE(WriteBytes(files.back().first, files.back().second));
        }
    }
    ASSERT_GT(folder.size(), 2800u);

    EXPECT_EQ(RunCliIn(place.root().wstring(), L"encrypt ."), 0u);
    for (const auto& [path, bytes] : files) {
        EXPECT_FALSE(FileExists(path)) << "not encrypted at " << path.size() << " units";
    }
    EXPECT_EQ(RunCliIn(place.root().wstring(), L"decrypt ."), 0u);
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(ReadText(path), bytes) << "not back at " << path.size() << " units";
    }
}

} // namespace

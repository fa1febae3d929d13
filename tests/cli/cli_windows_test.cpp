// tolvane-cli.exe as people type it on Windows, under Wine: names relative to the current folder, with
// the trailing dot that Windows' own path parsing would drop.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

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

bool Exists(const std::wstring& path) {
    return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    struct FindTraits {
        using Handle = HANDLE;
        static Handle Empty() { return INVALID_HANDLE_VALUE; }
        static void Close(Handle h) { ::FindClose(h); }
    };
    const UniqueHandle<FindTraits> find(FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &data));
    if (!find) {
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(find.get(), &data));
    return names;
}

void MakeFile(const std::wstring& path) {
    const Handle file(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    WriteFile(file.get(), "content", 7, &written, nullptr);
}

TEST(CliOnWindows, RelativeNamesAreJoinedToTheCurrentFolder) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tolvane-cli-typed-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), nullptr));
    MakeFile(folder + L"\\notes.txt");
    MakeFile(folder + L"\\sub\\trail.");
    MakeFile(folder + L"\\other.txt");

    EXPECT_EQ(RunCliIn(folder, L"encrypt notes.txt sub\\trail. .\\sub\\..\\other.txt notes.txt"), 0u);
    EXPECT_TRUE(Exists(folder + L"\\notes_txt.ENC"));
    EXPECT_FALSE(Exists(folder + L"\\notes.txt"));
    EXPECT_FALSE(Exists(folder + L"\\sub\\trail."));
    EXPECT_TRUE(Exists(folder + L"\\other_txt.ENC"));

    const auto sub = NamesIn(folder + L"\\sub");
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_TRUE(sub[0].ends_with(L".ENC")) << sub[0];

    EXPECT_EQ(RunCliIn(folder, L"decrypt notes_txt.ENC sub"), 0u);
    EXPECT_TRUE(Exists(folder + L"\\notes.txt"));
    EXPECT_EQ(NamesIn(folder + L"\\sub").size(), 1u);

    for (const wchar_t* name : {L"\\notes.txt", L"\\other_txt.ENC"}) {
        DeleteFileW((L"\\\\?\\" + folder + name).c_str());
    }
    for (const std::wstring& name : NamesIn(folder + L"\\sub")) {
        DeleteFileW((L"\\\\?\\" + folder + L"\\sub\\" + name).c_str());
    }
    RemoveDirectoryW((folder + L"\\sub").c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace

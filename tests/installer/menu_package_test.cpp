// The Windows 11 menu package as Tolvane.exe handles it, driven through its test build: the Windows build
// it is told it runs on, the package beside it or not, and what a stand-in for PowerShell, which records
// what it was given, answers. The program lies in a folder whose name holds a quote and a dollar sign,
// which must reach Windows as data. Runs once per system language.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "dialog_robot.h"
#include "language_fixture.h"
#include "installer_world.h"
#include "process_windows.h"

using namespace installer_world;
namespace fs = std::filesystem;

namespace {

constexpr int kUninstallButton = 1001;
constexpr DWORD kWindows11 = 22631;
constexpr DWORD kWindows10 = 19045;
constexpr const wchar_t* kPackageName = L"Tolvane-" TOLVANE_VERSION_TEXT L"-win64-menu.msix";

constexpr const wchar_t* kPowerShellOptions = L" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command ";
constexpr const wchar_t* kRegisterScript =
    L"\"try { Add-AppxPackage -Path $env:TOLVANE_MENU_PACKAGE -ExternalLocation $env:TOLVANE_MENU_FOLDER "
    L"-ErrorAction Stop; exit 0 } catch { exit 1 }\"";
constexpr const wchar_t* kRemoveScript = L"\"try { Get-AppxPackage -Name Tolvane.ContextMenu | Remove-AppxPackage "
                                         L"-ErrorAction Stop; exit 0 } catch { exit 1 }\"";

const std::wstring kInstalled = InLanguage(L"Install successfully!", L"安装成功!");
const std::wstring kUninstalled = InLanguage(L"Uninstall successfully!", L"卸载成功!");
const std::wstring kUninstallFailed = InLanguage(L"Failed to uninstall!", L"卸载失败!");
const std::wstring kPackageRefused =
    InLanguage(L"Tolvane is in the classic menu (\"Show more options\").\nWindows did not accept the package for "
               L"the Windows 11 menu: it must be signed by a publisher that this computer trusts.",
               L"Tolvane 已加入经典菜单（“显示更多选项”）。\nWindows 未接受用于 Windows 11 菜单的程序包："
               L"它必须由本机信任的发布者签名。");

enum class Script { None, Register, Remove };

struct PackageCase {
    const char* name;
    DWORD windowsBuild;
    bool packageBeside;
    int button;
    DWORD powerShellExitCode;
    Script expectedScript; // None: PowerShell must not be started at all
    std::vector<std::wstring> expectedBoxes;
};

const PackageCase kCases[] = {
    {"PresentAndAccepted", kWindows11, true, IDOK, 0, Script::Register, {kInstalled}},
    {"PresentAndRefused", kWindows11, true, IDOK, 1, Script::Register, {kInstalled, kPackageRefused}},
    {"Missing", kWindows11, false, IDOK, 0, Script::None, {kInstalled}},
    {"UninstallRemovesThePackage", kWindows11, false, kUninstallButton, 0, Script::Remove, {kUninstalled}},
    {"UninstallThatWindowsRefuses", kWindows11, true, kUninstallButton, 1, Script::Remove, {kUninstallFailed}},
    {"InstallOnWindows10", kWindows10, true, IDOK, 0, Script::None, {kInstalled}},
    {"UninstallOnWindows10", kWindows10, true, kUninstallButton, 0, Script::None, {kUninstalled}},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PackageCase& c, std::ostream* out) {
    *out << c.name;
}

struct Recorded {
    std::wstring commandLine;
    std::wstring packagePath;
    std::wstring folder;
};

// What the stand-in wrote, one record per start, in the order of the starts.
std::vector<Recorded> ReadRecords(const fs::path& folder) {
    std::vector<Recorded> records;
    for (int number = 1; fs::exists(folder / (std::to_wstring(number) + L".txt")); ++number) {
        const std::string bytes = ReadText(folder / (std::to_wstring(number) + L".txt")).value_or("");
        std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(text.size() * sizeof(wchar_t)),
                  reinterpret_cast<char*>(text.data()));
        std::vector<std::wstring> lines;
        for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        lines.resize(3);
        records.push_back({lines[0], lines[1], lines[2]});
    }
    return records;
}

class MenuPackage : public ::testing::TestWithParam<PackageCase> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(AssertTheRunsLanguage()); }
    void TearDown() override {
        for (const wchar_t* name : {L"TOLVANE_SEAM_WINDOWS_BUILD", L"TOLVANE_SEAM_POWERSHELL",
                                    L"TOLVANE_TEST_RECORD_FOLDER", L"TOLVANE_TEST_EXIT_CODE"}) {
            ::SetEnvironmentVariableW(name, nullptr);
        }
    }
};

TEST_P(MenuPackage, DecidesByWindowsVersionAndPackageAndTellsTheOutcome) {
    const PackageCase& c = GetParam();
    TempFolder folder("Tol'vane $x");
    TempFolder records("records");
    for (const wchar_t* file : {L"Tolvane.exe", L"Qarnet.dll"}) {
        const fs::path built =
            (std::wstring(file) == L"Tolvane.exe" ? BuiltProgramFolder() / L"seam" : BuiltProgramFolder()) / file;
        fs::copy_file(built, folder.root() / file);
    }
    const fs::path package = folder.root() / kPackageName;
    if (c.packageBeside) {
        WriteBytes(package, "a package only in name");
    }
    const fs::path powerShell = TestProgramFolder() / L"tolvane_fake_powershell.exe";
    // The program passes its own environment on to what it starts, so the stand-in learns its part too.
    ::SetEnvironmentVariableW(L"TOLVANE_SEAM_WINDOWS_BUILD", std::to_wstring(c.windowsBuild).c_str());
    ::SetEnvironmentVariableW(L"TOLVANE_SEAM_POWERSHELL", powerShell.c_str());
    ::SetEnvironmentVariableW(L"TOLVANE_TEST_RECORD_FOLDER", records.root().c_str());
    ::SetEnvironmentVariableW(L"TOLVANE_TEST_EXIT_CODE", std::to_wstring(c.powerShellExitCode).c_str());

    RunningProgram program(folder.root() / L"Tolvane.exe", L"");
    ASSERT_TRUE(program.Started());
    HWND dialog = process_windows::WaitForDialog(program.Id(), L"Tolvane");
    ASSERT_NE(dialog, nullptr);
    dialog_robot::Click(dialog, c.button);
    std::vector<std::wstring> boxes;
    for (size_t i = 0; i < c.expectedBoxes.size(); ++i) {
        const dialog_robot::MessageBoxInfo box = process_windows::WaitForMessageBox(program.Id());
        if (!box) {
            break;
        }
        EXPECT_EQ(box.caption, L"Tolvane");
        boxes.push_back(box.text);
        dialog_robot::DismissMessageBox(box.window);
    }
    EXPECT_EQ(boxes, c.expectedBoxes);
    // Escape reaches the main dialog only when no further message box holds it: nothing more was said.
    dialog_robot::PressKey(dialog, VK_ESCAPE);
    EXPECT_EQ(program.WaitForExit(), 0u) << "a message box beyond the expected ones is open";

    const std::vector<Recorded> started = ReadRecords(records.root());
    if (c.expectedScript == Script::None) {
        EXPECT_TRUE(started.empty()) << "PowerShell was started: "
                                     << testing::PrintToString(started.front().commandLine);
        return;
    }
    ASSERT_EQ(started.size(), 1u);
    const std::wstring script = c.expectedScript == Script::Register ? kRegisterScript : kRemoveScript;
    EXPECT_EQ(started[0].commandLine, L"\"" + powerShell.wstring() + L"\"" + kPowerShellOptions + script);
    if (c.expectedScript == Script::Register) {
        EXPECT_EQ(started[0].packagePath, package.wstring());
        EXPECT_EQ(started[0].folder, folder.root().wstring());
    } else {
        EXPECT_EQ(started[0].packagePath, L"<unset>");
        EXPECT_EQ(started[0].folder, L"<unset>");
    }
}

INSTANTIATE_TEST_SUITE_P(Windows11, MenuPackage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PackageCase>& param) { return param.param.name; });

} // namespace

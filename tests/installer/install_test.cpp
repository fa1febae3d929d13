// Tolvane.exe in dialog mode, started as its own process and driven as a user would: install writes the
// ten Explorer rows exactly, again without change, uninstall removes them and unregisters the library,
// and a missing library leaves the registry alone. Runs once per system language.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <memory>
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
constexpr UINT kAboutCommand = 0x0010;
constexpr const wchar_t* kClsid = L"{7B3E91A4-2C5D-4E8F-A6B1-93D0C4E5F812}";

struct ExpectedRow {
    HKEY root;
    std::wstring keyPath;
    std::wstring value;
};

std::vector<ExpectedRow> TheTenRows(const fs::path& program) {
    const std::wstring quoted = L"\"" + program.wstring() + L"\"";
    return {
        {HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\QvShellExt", kClsid},
        {HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers\\QvShellExt", kClsid},
        {HKEY_CLASSES_ROOT, L".ENC", L"QvENCFile"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.ENC", L"QvENCFile"},
        {HKEY_CLASSES_ROOT, L"QvENCFile", L"QvENC File"},
        {HKEY_CLASSES_ROOT, L"QvENCFile\\DefaultIcon", quoted + L", 0"},
        {HKEY_CLASSES_ROOT, L"QvENCFile\\Shell\\open\\Command", quoted + L" \"%1\""},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile", L"QvENC File"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\DefaultIcon", quoted + L", 0"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile\\Shell\\open\\Command", quoted + L" \"%1\""},
    };
}

// Every key below (and including) keyPath with all its values, one line each, so that two states of the
// registry can be compared whole.
void DescribeTree(HKEY root, const std::wstring& keyPath, std::wstring& out) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    out += keyPath + L"\n";
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameUnits = 256;
        BYTE data[4096];
        DWORD dataBytes = sizeof(data);
        DWORD type = 0;
        if (::RegEnumValueW(key, index, name, &nameUnits, nullptr, &type, data, &dataBytes) != ERROR_SUCCESS) {
            break;
        }
        out += L"  [" + std::wstring(name, nameUnits) + L"] " + std::to_wstring(type) + L" " +
               std::wstring(reinterpret_cast<const wchar_t*>(data), dataBytes / sizeof(wchar_t)) + L"\n";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameUnits = 256;
        if (::RegEnumKeyExW(key, index, name, &nameUnits, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, nameUnits);
    }
    ::RegCloseKey(key);
    for (const std::wstring& subkey : subkeys) {
        DescribeTree(root, keyPath + L"\\" + subkey, out);
    }
}

// Everything the installer may touch.
std::wstring DescribeInstallerKeys() {
    std::wstring out;
    DescribeTree(HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\QvShellExt", out);
    DescribeTree(HKEY_CLASSES_ROOT, L"Directory\\shellex\\ContextMenuHandlers\\QvShellExt", out);
    DescribeTree(HKEY_CLASSES_ROOT, L".ENC", out);
    DescribeTree(HKEY_CLASSES_ROOT, L"QvENCFile", out);
    DescribeTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.ENC", out);
    DescribeTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\QvENCFile", out);
    DescribeTree(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kClsid, out);
    return out;
}

bool LibraryClassRegistered() {
    return KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kClsid);
}

class InstallerDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(AssertTheRunsLanguage()); }

    // Starts the program from folder and waits for its main dialog.
    HWND Start(const fs::path& folder) {
        m_program = std::make_unique<RunningProgram>(folder / L"Tolvane.exe", L"");
        if (!m_program->Started()) {
            return nullptr;
        }
        return process_windows::WaitForDialog(m_program->Id(), L"Tolvane");
    }

    // Clicks a button and reads, then dismisses, each message box it raises in turn.
    std::vector<dialog_robot::MessageBoxInfo> ClickAndCollectBoxes(HWND dialog, int button, size_t boxes) {
        dialog_robot::Click(dialog, button);
        std::vector<dialog_robot::MessageBoxInfo> seen;
        for (size_t i = 0; i < boxes; ++i) {
            dialog_robot::MessageBoxInfo box = process_windows::WaitForMessageBox(m_program->Id());
            if (!box) {
                break;
            }
            seen.push_back(box);
            dialog_robot::DismissMessageBox(box.window);
        }
        return seen;
    }

    std::unique_ptr<RunningProgram> m_program;
};

TEST_F(InstallerDialog, InstallWritesTheTenRowsOnceAndUninstallRemovesThemWithTheLibrary) {
    // Spaces in the program's path, and a path of 255 units (near the longest that Windows starts a
    // program from), so that the quoted open command no longer fits in MAX_PATH: it must stay whole.
    TempFolder folder("Program Files With Spaces");
    const size_t separators = 2;
    const size_t nameUnits = 255 - folder.root().wstring().size() - separators - std::wstring(L"Tolvane.exe").size();
    const fs::path programFolder = folder.root() / (L"Release " + std::wstring(nameUnits - 8, L'x'));
    fs::create_directories(programFolder);
    for (const wchar_t* file : {L"Tolvane.exe", L"Qarnet.dll"}) {
        fs::copy_file(BuiltProgramFolder() / file, programFolder / file);
    }
    const fs::path program = programFolder / L"Tolvane.exe";
    ASSERT_GT(program.wstring().size() + std::wstring(L"\"\" \"%1\"").size(), size_t{MAX_PATH});
    HWND dialog = Start(programFolder);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog_robot::ControlText(dialog, IDOK), InLanguage(L"Install Menu(&I)", L"安装右键菜单(&I)"));
    EXPECT_EQ(dialog_robot::ControlText(dialog, kUninstallButton),
              InLanguage(L"Uninstall Menu(&U)", L"卸载右键菜单(&U)"));

    auto boxes = ClickAndCollectBoxes(dialog, IDOK, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Tolvane");
    EXPECT_EQ(boxes[0].text, InLanguage(L"Install successfully!", L"安装成功!"));
    for (const ExpectedRow& row : TheTenRows(program)) {
        EXPECT_EQ(ReadDefaultValue(row.root, row.keyPath).value_or(L"<missing>"), row.value) << row.keyPath;
    }
    EXPECT_TRUE(LibraryClassRegistered());
    const std::wstring afterFirstInstall = DescribeInstallerKeys();

    boxes = ClickAndCollectBoxes(dialog, IDOK, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, InLanguage(L"Install successfully!", L"安装成功!"));
    EXPECT_EQ(DescribeInstallerKeys(), afterFirstInstall) << "a second install must change nothing";

    boxes = ClickAndCollectBoxes(dialog, kUninstallButton, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Tolvane");
    EXPECT_EQ(boxes[0].text, InLanguage(L"Uninstall successfully!", L"卸载成功!"));
    EXPECT_EQ(DescribeInstallerKeys(), L"") << "nothing of the installation may remain";

    // With none of the installer's keys present, uninstall still asks the library to unregister: a class
    // registered by hand goes too.
    {
        HMODULE library = ::LoadLibraryW((programFolder / L"Qarnet.dll").c_str());
        ASSERT_NE(library, nullptr);
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(::GetProcAddress(library, "DllRegisterServer")));
        ASSERT_NE(registerServer, nullptr);
        EXPECT_EQ(registerServer(), S_OK);
        ::FreeLibrary(library);
    }
    ASSERT_TRUE(LibraryClassRegistered());
    boxes = ClickAndCollectBoxes(dialog, kUninstallButton, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, InLanguage(L"Uninstall successfully!", L"卸载成功!"));
    EXPECT_FALSE(LibraryClassRegistered());

    dialog_robot::PressKey(dialog, VK_ESCAPE);
    EXPECT_EQ(m_program->WaitForExit(), 0u) << "Escape ends the program";
}

TEST_F(InstallerDialog, WithoutTheLibraryBothProceduresFailAndTheRegistryStaysAsItWas) {
    TempFolder folder("alone");
    fs::copy_file(BuiltProgramFolder() / L"Tolvane.exe", folder.root() / L"Tolvane.exe");
    const std::wstring before = DescribeInstallerKeys();
    HWND dialog = Start(folder.root());
    ASSERT_NE(dialog, nullptr);

    auto boxes = ClickAndCollectBoxes(dialog, IDOK, 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, L"RegisterServer32");
    EXPECT_EQ(boxes[0].text, L"Failed to LoadLibrary!");
    EXPECT_EQ(boxes[1].caption, L"Tolvane");
    EXPECT_EQ(boxes[1].text, InLanguage(L"Failed to install!", L"安装失败!"));

    boxes = ClickAndCollectBoxes(dialog, kUninstallButton, 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, L"RegisterServer32");
    EXPECT_EQ(boxes[0].text, L"Failed to LoadLibrary!");
    EXPECT_EQ(boxes[1].caption, L"Tolvane");
    EXPECT_EQ(boxes[1].text, InLanguage(L"Failed to uninstall!", L"卸载失败!"));
    EXPECT_EQ(DescribeInstallerKeys(), before);

    // The about box is the same in every language, and the main dialog survives it.
    ::PostMessageW(dialog, WM_SYSCOMMAND, kAboutCommand, 0);
    HWND about = process_windows::WaitForDialog(m_program->Id(), L"About Tolvane");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(dialog_robot::ControlText(about, 1002), L"Tolvane");
    EXPECT_EQ(dialog_robot::ControlText(about, 1003), L"https://www.tolvane.example");
    EXPECT_EQ(dialog_robot::ControlText(about, IDOK), L"确定");
    dialog_robot::Click(about, IDOK);
    EXPECT_TRUE(dialog_robot::WaitUntilClosed(about));
    EXPECT_TRUE(::IsWindowVisible(dialog));

    // The close box ends the program as Escape does.
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(m_program->WaitForExit(), 0u);
}

} // namespace

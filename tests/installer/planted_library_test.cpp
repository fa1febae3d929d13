// The shipped Tolvane.exe, in a folder where libraries named after system libraries were planted beside
// it, shows its dialog and installs: none of the planted libraries is ever loaded. Wine prefers its own
// built-in libraries even when it finds a file of the same name, so the test tells it, for this program
// only, to prefer a library file it finds: then a planted one would be loaded wherever the program's
// folder is searched.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "dialog_robot.h"
#include "installer_world.h"
#include "process_windows.h"

using namespace installer_world;
namespace fs = std::filesystem;

namespace {

// The library that Windows' user interface loads by name once the program runs, when it makes its first
// window: the theme library. Under Wine it is the one for which the program's folder matters: the
// libraries that Wine's own system libraries import (version, imm32, zlib1) are resolved before the
// program's first instruction, from its folder first, where Windows takes the imports of a known system
// library from the system folder; and the others it loads later it takes from the system folder anyway.
const wchar_t* const kPlantedNames[] = {L"uxtheme.dll"};

constexpr const wchar_t* kOverridesKey = L"Software\\Wine\\AppDefaults\\Tolvane.exe\\DllOverrides";

// Wine's setting for one program: the named libraries are taken from a file when one is found.
class PreferLibraryFiles {
public:
    PreferLibraryFiles() {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kOverridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            return;
        }
        for (const wchar_t* name : kPlantedNames) {
            const std::wstring module = fs::path(name).stem().wstring();
            const wchar_t order[] = L"native,builtin";
            ::RegSetValueExW(key, module.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof(order));
        }
        ::RegCloseKey(key);
    }
    PreferLibraryFiles(const PreferLibraryFiles&) = delete;
    PreferLibraryFiles& operator=(const PreferLibraryFiles&) = delete;
    ~PreferLibraryFiles() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Tolvane.exe"); }
};

TEST(PlantedLibrary, BesideTheProgramIsNeverLoaded) {
    TempFolder folder("Downloads");
    for (const wchar_t* file : {L"Tolvane.exe", L"Qarnet.dll", L"Brandmark.jpg"}) {
        fs::copy_file(BuiltProgramFolder() / file, folder.root() / file);
    }
    for (const wchar_t* name : kPlantedNames) {
        fs::copy_file(TestProgramFolder() / L"tolvane_planted_library.dll", folder.root() / name);
    }
    PreferLibraryFiles preferFiles;

    RunningProgram program(folder.root() / L"Tolvane.exe", L"");
    ASSERT_TRUE(program.Started());
    HWND dialog = process_windows::WaitForDialog(program.Id(), L"Tolvane");
    ASSERT_NE(dialog, nullptr);
    // Install loads Qarnet.dll by its full path; its own imports must come from the system folder too.
    dialog_robot::Click(dialog, IDOK);
    const dialog_robot::MessageBoxInfo box = process_windows::WaitForMessageBox(program.Id());
    ASSERT_TRUE(box);
    dialog_robot::DismissMessageBox(box.window);
    dialog_robot::Click(dialog, 1001);
    const dialog_robot::MessageBoxInfo uninstalled = process_windows::WaitForMessageBox(program.Id());
    ASSERT_TRUE(uninstalled);
    dialog_robot::DismissMessageBox(uninstalled.window);
    dialog_robot::PressKey(dialog, VK_ESCAPE);
    EXPECT_EQ(program.WaitForExit(), 0u);

    for (const wchar_t* name : kPlantedNames) {
        EXPECT_FALSE(fs::exists(folder.root() / (std::wstring(name) + L".loaded")))
            << "the planted " << fs::path(name).string() << " was loaded";
    }
}

} // namespace

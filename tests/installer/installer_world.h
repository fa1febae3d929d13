// The world the installer tests set up: copies of the built program in temporary folders, the program
// started as its own process, and the registry of the Wine prefix read back value by value.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "temp_folder.h"
#include "test_files.h"

namespace installer_world {

// The folder of the built Tolvane.exe, Qarnet.dll and Brandmark.jpg.
std::filesystem::path BuiltProgramFolder();
// The folder of the running test program, where its helper programs and libraries are built.
std::filesystem::path TestProgramFolder();

// A program started with CreateProcessW. A program still running when the object goes is ended.
class RunningProgram {
public:
    // commandLine holds the arguments after the program's quoted path.
    RunningProgram(const std::filesystem::path& program, const std::wstring& arguments);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    bool Started() const { return m_process.hProcess != nullptr; }
    DWORD Id() const { return m_process.dwProcessId; }
    // The exit code, or nothing when the program is still running after the time-out.
    std::optional<DWORD> WaitForExit(DWORD milliseconds = 30000);

private:
    PROCESS_INFORMATION m_process{};
};

// The default value of a key, or nothing when the key or the value is missing.
std::optional<std::wstring> ReadDefaultValue(HKEY root, const std::wstring& keyPath);
bool KeyExists(HKEY root, const std::wstring& keyPath);

} // namespace installer_world

// Temporary folders, started programs and registry reads for the installer tests.
#include "installer_world.h"

namespace installer_world {

std::filesystem::path BuiltProgramFolder() {
    // Wine shows the host's root as drive Z:.
    std::wstring folder = L"Z:" TOLVANE_PROGRAM_FOLDER;
    for (wchar_t& unit : folder) {
        if (unit == L'/') {
            unit = L'\\';
        }
    }
    return folder;
}

std::filesystem::path TestProgramFolder() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path();
}

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &m_process)) {
        m_process = {};
    }
}

RunningProgram::~RunningProgram() {
    if (!m_process.hProcess) {
        return;
    }
    if (::WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process.hProcess, 99);
        ::WaitForSingleObject(m_process.hProcess, 5000);
    }
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
}

std::optional<DWORD> RunningProgram::WaitForExit(DWORD milliseconds) {
    if (!m_process.hProcess || ::WaitForSingleObject(m_process.hProcess, milliseconds) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

std::optional<std::wstring> ReadDefaultValue(HKEY root, const std::wstring& keyPath) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegGetValueW(root, keyPath.c_str(), nullptr, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegGetValueW(root, keyPath.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(::wcsnlen(value.c_str(), value.size()));
    return value;
}

bool KeyExists(HKEY root, const std::wstring& keyPath) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

} // namespace installer_world

// The installer's seam, compiled only into the test build of Tolvane.exe: a test sets the variables in
// the environment it starts the program with.
#include "installer_seam.h"

#include <cwchar>

namespace {

std::optional<std::wstring> EnvironmentVariable(const wchar_t* name) {
    const DWORD units = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (units == 0) {
        return std::nullopt;
    }
    std::wstring value(units, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), units));
    return value;
}

} // namespace

std::optional<DWORD> WindowsBuildOverride() {
    const std::optional<std::wstring> text = EnvironmentVariable(L"TOLVANE_SEAM_WINDOWS_BUILD");
    if (!text) {
        return std::nullopt;
    }
    return static_cast<DWORD>(std::wcstoul(text->c_str(), nullptr, 10));
}

std::optional<std::wstring> PowerShellOverride() {
    return EnvironmentVariable(L"TOLVANE_SEAM_POWERSHELL");
}

bool ShellGivesNoProcess() {
    return EnvironmentVariable(L"TOLVANE_SEAM_NO_PROCESS").has_value();
}

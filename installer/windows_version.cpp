// The Windows build number from RtlGetVersion: without a compatibility manifest GetVersionEx reports
// Windows 8 on every later system, so it cannot tell Windows 11 apart.
#include "windows_version.h"

#include <windows.h>

#include <optional>

#include "installer_seam.h"

namespace {

constexpr DWORD kFirstWindows11Build = 22000;

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

// Nothing when ntdll does not offer the call (it always has since Windows 2000).
std::optional<DWORD> RunningWindowsBuild() {
    // ntdll is in every process already, so nothing is loaded or searched for here.
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) {
        return std::nullopt;
    }
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!rtlGetVersion || rtlGetVersion(&version) != 0) {
        return std::nullopt;
    }
    return version.dwBuildNumber;
}

} // namespace

bool IsWindows11OrLater() {
    std::optional<DWORD> build = WindowsBuildOverride();
    if (!build) {
        build = RunningWindowsBuild();
    }
    return build && *build >= kFirstWindows11Build;
}

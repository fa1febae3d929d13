// Which Windows the installer runs on, as far as its choices depend on it.
#pragma once

// True from Windows 11 (build 22000) on: only there does Explorer's first menu show commands of a
// packaged handler, so only there is the menu package registered.
bool IsWindows11OrLater();

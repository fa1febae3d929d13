// The full path of Qarnet.dll itself, for its registration and for the icon the Windows 11 menu shows.
#pragma once

#include <string>

// As the loader knows it, of any length; empty when the system cannot tell.
std::wstring ModuleFilePath();

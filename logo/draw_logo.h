// DrawLogo: paints Brandmark.jpg, stretched, across the full width and top 80 pixels of a window's
// client area.
#pragma once

#include <windows.h>

inline constexpr int kLogoBandHeight = 80;
inline constexpr const wchar_t* kLogoFileName = L"Brandmark.jpg";

// Reads the picture from the folder of moduleWithPicture and draws it into window. Every failure (no
// module path, missing, empty, unreadable or undecodable file, no memory) ends quietly without drawing;
// nothing is kept between calls.
void DrawLogo(HWND window, HMODULE moduleWithPicture);

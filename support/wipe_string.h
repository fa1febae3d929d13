// Wiping a secret held in a std::wstring (a password) before its storage is released or reused.
#pragma once

#include <windows.h>

#include <string>

// Overwrites every unit the string holds, then empties it. The capacity stays, so the next text that
// is read into it lands in the same (already wiped) storage.
inline void SecureWipe(std::wstring& secret) {
    SecureZeroMemory(secret.data(), secret.capacity() * sizeof(wchar_t));
    secret.clear();
}

// An empty DLL. Tests copy it into a folder of their own and load it, so that the logo painter looks
// for Brandmark.jpg in that folder.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

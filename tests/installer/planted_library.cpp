// A library planted beside Tolvane.exe under the name of a system library: if it is ever loaded, it leaves
// a file named after itself with ".loaded" appended in its own folder.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = {};
        const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            ::lstrcatW(path, L".loaded");
            HANDLE marker =
                ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (marker != INVALID_HANDLE_VALUE) {
                ::CloseHandle(marker);
            }
        }
    }
    return TRUE;
}

// The application object of Qarnet.dll: the language decision on load, the release of module-wide COM
// objects on unload, and DllCanUnloadNow.
#include <windows.h>

#include "class_factory.h"
#include "dispatch_type_info.h"
#include "menu_bitmap.h"
#include "module_lock.h"
#include "ui_language.h"

namespace {

// Decided once, before any object exists: only simplified Chinese as used in the PRC gives Chinese texts.
void StartModule() {
    InitUiLanguage();
}

// Runs only when the module is freed with FreeLibrary: at process exit the COM runtime may already be
// gone, and releasing its objects then is unsafe.
void StopModule() {
    ReleaseCachedClassFactories();
    ReleaseDispatchTypeInfo();
    ReleaseMenuBitmap();
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        StartModule();
        break;
    case DLL_PROCESS_DETACH:
        if (reserved == nullptr) {
            StopModule();
        }
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return IsModuleLocked() ? S_FALSE : S_OK;
}

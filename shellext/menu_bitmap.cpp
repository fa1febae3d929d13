// One menu bitmap for the module's lifetime: every menu that Explorer builds shows the same handle, and
// a menu may outlive the object that filled it, so no object may free it.
#include "menu_bitmap.h"

#include <mutex>

#include "qarnet_resources.h"
#include "this_module.h"
#include "module_global.h"
#include "win_handles.h"

namespace {

std::once_flag g_menuBitmapLoaded;
ModuleGlobal<BitmapHandle> g_menuBitmap;

} // namespace

HBITMAP MenuBitmap() {
    std::call_once(g_menuBitmapLoaded, [] {
        g_menuBitmap.value().reset(LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(IDB_MENU_BITMAP)));
        if (g_menuBitmap.value()) {
            // Recorded for the menu's layout only; the pixels stay as they are.
            SetBitmapDimensionEx(g_menuBitmap.value().get(), GetSystemMetrics(SM_CXMENUCHECK),
                                 GetSystemMetrics(SM_CYMENUCHECK), nullptr);
        }
    });
    return g_menuBitmap.value().get();
}

void ReleaseMenuBitmap() {
    g_menuBitmap.value().reset();
}

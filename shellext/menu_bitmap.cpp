// One menu bitmap for the module's lifetime: every menu that Explorer builds shows the same handle, and
// a menu may outlive the object that filled it, so no object may free it.
#include "menu_bitmap.h"

#include <mutex>

#include "qarnet_resources.h"
#include "this_module.h"
#include "win_handles.h"

namespace {

std::once_flag g_menuBitmapLoaded;
BitmapHandle g_menuBitmap;

} // namespace

HBITMAP MenuBitmap() {
    std::call_once(g_menuBitmapLoaded, [] {
        g_menuBitmap.reset(LoadBitmapW(ThisModule(), MAKEINTRESOURCEW(IDB_MENU_BITMAP)));
        if (g_menuBitmap) {
            // Recorded for the menu's layout only; the pixels stay as they are.
            SetBitmapDimensionEx(g_menuBitmap.get(), GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK),
                                 nullptr);
        }
    });
    return g_menuBitmap.get();
}

void ReleaseMenuBitmap() {
    g_menuBitmap.reset();
}

// The dialogs' resource module, settable for a host that keeps its resources elsewhere.
#include "resource_module.h"

#include "this_module.h"

namespace {
HINSTANCE g_resourceModule = nullptr;
}

HINSTANCE DialogResourceModule() {
    return g_resourceModule ? g_resourceModule : ThisModule();
}

void SetDialogResourceModule(HINSTANCE module) {
    g_resourceModule = module;
}

// The module's UI-language flag and the rule that sets it.
#include "ui_language.h"

#include <windows.h>

int g_bChineseUI = 0;

bool IsSimplifiedChineseSystem() {
    return GetSystemDefaultLangID() == 0x0804;
}

void InitUiLanguage() {
    g_bChineseUI = IsSimplifiedChineseSystem() ? 1 : 0;
}

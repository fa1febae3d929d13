// The UI-language flag g_bChineseUI and the texts that follow it: below the dialogs, the shell extension
// and the installer, which all read it.
#pragma once

// Set once at start-up by each module: nonzero when the system default language is simplified
// Chinese (0x0804); then the Chinese template texts stand and Chinese messages are shown.
extern int g_bChineseUI;

// True when GetSystemDefaultLangID() is 0x0804 (Chinese, PRC).
bool IsSimplifiedChineseSystem();
// g_bChineseUI = IsSimplifiedChineseSystem().
void InitUiLanguage();

// One user-visible text in both languages.
struct LocalText {
    const wchar_t* english;
    const wchar_t* chinese;
    const wchar_t* Get() const { return g_bChineseUI ? chinese : english; }
};

// Caption of every message box, in both languages.
inline constexpr const wchar_t* kMessageCaption = L"Tolvane";

// Every text of the context-menu handler that a user sees, in both languages, chosen by g_bChineseUI.
#pragma once

#include <string>

#include "ui_language.h"

// The Windows 11 menu's entry above the three commands, the same in both languages.
inline constexpr wchar_t kMenuTitle[] = L"Tolvane";

// Offered for the encrypt command only.
inline constexpr wchar_t kEncryptHelpText[] = L"This is the simple shell extension's help";

// Caption of the menu command at offset 0 (encrypt), 1 (decrypt) or 2 (about).
const wchar_t* MenuCaption(unsigned commandOffset);

const wchar_t* BusyMessageText();
const wchar_t* WrongPasswordText();

// Said once at the end of a batch in which some files could not be converted.
std::wstring FailedFilesText(unsigned failedCount);

// Why an encryption was refused before it began: the selection is, holds or lies inside folder, which
// Windows or its programs need.
std::wstring SystemFolderText(const std::wstring& folder);

// Said once at the end of a batch the user cancelled: convertedCount of totalCount files were converted.
std::wstring CancelledBatchText(unsigned convertedCount, unsigned totalCount);

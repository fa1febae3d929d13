// Every text Tolvane.exe shows in code, English and Chinese side by side, so they can be read and
// translated in one place. The dialog templates hold the Chinese texts of the controls.
#pragma once

#include "ui_language.h"

// The library-loading messages are the same in both languages.
inline constexpr const wchar_t* kRegisterServerCaption = L"RegisterServer32";
inline constexpr const wchar_t* kLoadLibraryFailed = L"Failed to LoadLibrary!";
inline constexpr const wchar_t* kRegisterEntryMissing = L"GetProcAddress(\"DllRegisterServer\") Failed";
inline constexpr const wchar_t* kUnregisterEntryMissing = L"GetProcAddress(\"DllUnregisterServer\") Failed";

inline constexpr LocalText kInstallButton{L"Install Menu(&I)", L"安装右键菜单(&I)"};
inline constexpr LocalText kUninstallButton{L"Uninstall Menu(&U)", L"卸载右键菜单(&U)"};

inline constexpr LocalText kInstallFailed{L"Failed to install!", L"安装失败!"};
inline constexpr LocalText kInstallSucceeded{L"Install successfully!", L"安装成功!"};
inline constexpr LocalText kUninstallFailed{L"Failed to uninstall!", L"卸载失败!"};
inline constexpr LocalText kUninstallSucceeded{L"Uninstall successfully!", L"卸载成功!"};

// After the install message on Windows 11, when Windows refused the menu package beside the program.
inline constexpr LocalText kMenuPackageRefused{
    L"Tolvane is in the classic menu (\"Show more options\").\nWindows did not accept the package for the "
    L"Windows 11 menu: it must be signed by a publisher that this computer trusts.",
    L"Tolvane 已加入经典菜单（“显示更多选项”）。\nWindows 未接受用于 Windows 11 菜单的程序包："
    L"它必须由本机信任的发布者签名。"};

inline constexpr LocalText kUse64BitPackage{
    L"This is the 32-bit Tolvane. 64-bit Windows Explorer cannot load its extension, so it is not "
    L"installed.\nPlease install the 64-bit package (Tolvane-" TOLVANE_VERSION_TEXT L"-win64.zip) instead.\n"
    L"Uninstall still works here, to remove an earlier 32-bit installation.",
    L"这是 32 位的 Tolvane。64 位 Windows 资源管理器无法加载它的右键菜单，因此不予安装。\n"
    L"请改用 64 位安装包 (Tolvane-" TOLVANE_VERSION_TEXT L"-win64.zip)。\n"
    L"卸载仍可使用，用于删除以前的 32 位安装。"};

// Followed by the full path of the plain file that stays decrypted.
inline constexpr LocalText kPlainFileLeft{L"The file could not be encrypted again and is still unencrypted:\n",
                                          L"文件未能重新加密，仍以未加密的形式保留：\n"};

// The hand-over window: its first line, the file's path below it, then what the user is to do.
inline constexpr LocalText kHandOverLead{L"This file stays unencrypted while you work on it:",
                                         L"此文件在您处理期间保持未加密："};
inline constexpr LocalText kHandOverText{
    L"Tolvane cannot tell when its program is done with it. Save your work and close the file, then choose "
    L"\"Encrypt again now\".",
    L"Tolvane 无法得知它的程序何时用完此文件。请保存您的工作并关闭文件，然后选择“立即重新加密”。"};
inline constexpr LocalText kEncryptAgainNow{L"Encrypt again now", L"立即重新加密"};

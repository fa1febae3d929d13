// Resource and command identifiers of Tolvane.exe, shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TOLVANE_DIALOG 102
#define IDD_HAND_OVER 103
#define IDR_MAINFRAME 128
#define IDC_UNINSTALL 1001
#define IDC_ABOUT_NAME 1002
#define IDC_ABOUT_WEB 1003
#define IDC_HAND_OVER_TEXT 1004
#define IDC_HAND_OVER_PATH 1005
#define IDC_HAND_OVER_LEAD 1006

// System-menu command of the about box; the system reserves the low four bits of such ids.
#define IDM_ABOUTBOX 0x0010

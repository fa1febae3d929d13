// Resource ids of the four dialog templates and their controls (shared by dialogs.rc and the code).
// The ids of different dialogs overlap on purpose: each set is private to its template.
#pragma once

#define IDD_PROGRESS 201
#define IDD_ABOUT 202
#define IDD_ENCRYPT_PASSWORD 203
#define IDD_DECRYPT_PASSWORD 204

// Encrypt-password dialog (203).
#define IDC_ENC_PASSWORD 206
#define IDC_ENC_CONFIRM 207
#define IDC_ENC_PROMPT 208
#define IDC_ENC_PASSWORD_LABEL 210
#define IDC_ENC_CONFIRM_LABEL 211

// Decrypt-password dialog (204).
#define IDC_DEC_PASSWORD_LABEL 207
#define IDC_DEC_PROMPT 208
#define IDC_DEC_PASSWORD 209

// Progress dialog (201).
#define IDC_PROG_FILE_BAR 201
#define IDC_PROG_TOTAL_BAR 202
#define IDC_PROG_CURRENT_FILE 203
#define IDC_PROG_TOTAL_FILES 204
#define IDC_PROG_FINISHED_FILES 205
#define IDC_PROG_CURRENT_FILE_LABEL 218
#define IDC_PROG_FILE_BAR_LABEL 219
#define IDC_PROG_TOTAL_BAR_LABEL 220

// The English text of a dialog's control (control 0: the caption) in the string table of dialogs.rc.
#define IDS_ENGLISH(dialog, control) (0x4000 + ((dialog)-200) * 0x400 + (control))

// About dialog (202).
#define IDC_ABOUT_VERSION 201
#define IDC_ABOUT_COMPANY 202
#define IDC_ABOUT_WEB 203
#define IDC_ABOUT_ALGORITHM 204

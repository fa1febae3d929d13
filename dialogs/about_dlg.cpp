// The about box and its English texts.
#include "about_dlg.h"

#include "dialog_ids.h"
#include "ui_language.h"

namespace {

constexpr const wchar_t* kEnglishCaption = L"About  Tolvane";
constexpr ControlText kEnglishTexts[] = {
    {IDOK, L"OK"},
    {IDC_ABOUT_VERSION, L"VER: Tolvane"},
    {IDC_ABOUT_COMPANY, L"Company: Harrowdale Technology"},
    {IDC_ABOUT_WEB, L"Web: https://www.tolvane.example"},
    {IDC_ABOUT_ALGORITHM, L"Algorithm: AES256BIT"},
};

} // namespace

CAboutDlg::CAboutDlg() : CTolvaneDialog(IDD_ABOUT, true) {}

BOOL CAboutDlg::OnInitDialog() {
    CTolvaneDialog::OnInitDialog();
    if (!g_bChineseUI) {
        SetTexts(kEnglishCaption, kEnglishTexts);
    }
    return TRUE;
}

// CTolvaneDialog: the base of the four dialogs. Templates come from the dialogs' resource module, their
// English texts from its string table where the language is not Chinese, and the dialogs with a logo
// band paint it on every WM_PAINT.
#pragma once

#include "dialog.h"

class CTolvaneDialog : public CDialog {
public:
    CTolvaneDialog(UINT templateId, bool drawsLogo) : CDialog(templateId), m_drawsLogo(drawsLogo) {}

    INT_PTR DoModal(HWND parent = nullptr);
    bool Create(HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;

private:
    bool m_drawsLogo;
};

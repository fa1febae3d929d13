// Modal and modeless runs from the resource module, and the logo-band paint handler.
#include "tolvane_dialog.h"

#include "draw_logo.h"
#include "resource_module.h"
#include "win_handles.h"

INT_PTR CTolvaneDialog::DoModal(HWND parent) {
    return CDialog::DoModal(DialogResourceModule(), parent);
}

bool CTolvaneDialog::Create(HWND parent) {
    return CDialog::Create(DialogResourceModule(), parent);
}

bool CTolvaneDialog::OnPaint() {
    if (!m_drawsLogo) {
        return false;
    }
    // The paint cycle validates the update region; the logo itself is drawn through its own DC.
    PaintScope paint(m_hWnd);
    DrawLogo(m_hWnd, DialogResourceModule());
    return true;
}

// Modal and modeless runs from the resource module, the English texts, and the logo-band paint handler.
#include "tolvane_dialog.h"

#include <optional>
#include <string>

#include "dialog_ids.h"
#include "draw_logo.h"
#include "resource_module.h"
#include "ui_language.h"
#include "win_handles.h"

namespace {

// A string of the resource module's table, or nothing where the table has none with that id.
std::optional<std::wstring> EnglishText(UINT templateId, int controlId) {
    const wchar_t* text = nullptr;
    // With no buffer, LoadStringW gives a pointer into the resource and the length.
    const int length =
        ::LoadStringW(DialogResourceModule(), IDS_ENGLISH(templateId, controlId), reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0) {
        return std::nullopt;
    }
    return std::wstring(text, static_cast<size_t>(length));
}

} // namespace

INT_PTR CTolvaneDialog::DoModal(HWND parent) {
    return CDialog::DoModal(DialogResourceModule(), parent);
}

bool CTolvaneDialog::Create(HWND parent) {
    return CDialog::Create(DialogResourceModule(), parent);
}

BOOL CTolvaneDialog::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    if (g_bChineseUI) {
        return result; // the templates' own texts
    }
    if (const auto caption = EnglishText(TemplateId(), 0)) {
        ::SetWindowTextW(m_hWnd, caption->c_str());
    }
    for (HWND control = ::GetWindow(m_hWnd, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(control);
        if (id <= 0 || id >= 0x400) {
            continue; // unnamed statics; ids beyond one dialog's range of the table
        }
        if (const auto text = EnglishText(TemplateId(), id)) {
            ::SetWindowTextW(control, text->c_str());
        }
    }
    return result;
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

// CDialog: a thin dialog base run modally or modelessly from a template resource, routing the dialog
// procedure to virtual handlers, with data exchange between members and controls (CDataExchange).
#pragma once

#include <windows.h>

#include <string>

// One pass of data exchange. Saving reads the controls into the members; loading writes the members
// into the controls (and sets text limits).
class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool IsSaving() const { return m_saving; }
    HWND Dialog() const { return m_dialog; }
    // False once a control named by an exchange was missing.
    bool Succeeded() const { return m_succeeded; }

    // An edit control's text <-> value. A limit above 0 becomes the control's EM_LIMITTEXT when loading, so
    // that typing or pasting cannot go past it.
    void Text(int controlId, std::wstring& value, int limit = 0);
    // A static's text from value; it is rewritten only when it differs, so an unchanged label does not
    // repaint. Saving leaves value alone: statics are output only.
    void StaticText(int controlId, const std::wstring& value);
    // The window handle of a control, for a control wrapper.
    void Control(int controlId, HWND& control);

private:
    HWND Item(int controlId);

    HWND m_dialog;
    bool m_saving;
    bool m_succeeded = true;
};

// Centres a window over its visible owner, or on its monitor's work area when it has none.
void CenterWindow(HWND window);

// The whole text of a control (or any window of this thread).
std::wstring GetControlText(HWND control);

class CDialog {
public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog from template m_templateId of resources. IDOK, IDCANCEL or another EndDialog
    // result; -1 when the template could not be loaded.
    INT_PTR DoModal(HINSTANCE resources, HWND parent = nullptr);
    // Creates the dialog modelessly; false when the window could not be made.
    bool Create(HINSTANCE resources, HWND parent = nullptr);
    // Destroys a modeless window (the object stays for reuse).
    void DestroyWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    UINT TemplateId() const { return m_templateId; }

    // Runs DoDataExchange in the given direction; false when a control was missing.
    bool UpdateData(bool saveAndValidate = true);

protected:
    // WM_INITDIALOG. The base loads the members into the controls; return TRUE so that the dialog
    // manager sets the focus. A dialog that this handler does not move is then centred (CenterWindow).
    virtual BOOL OnInitDialog();
    // IDOK: the base saves the controls and ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL: the base ends a modal dialog with IDCANCEL and hides a modeless one.
    virtual void OnCancel();
    // WM_PAINT: return true when painted; false leaves the message to the dialog manager.
    virtual bool OnPaint() { return false; }
    // WM_SYSCOMMAND: return true when handled.
    virtual bool OnSysCommand(WPARAM command, LPARAM position);
    // WM_COMMAND of any control other than IDOK/IDCANCEL: return true when handled.
    virtual bool OnCommand(int controlId, int notification);
    virtual void DoDataExchange(CDataExchange& dx);

    void EndDialog(INT_PTR result);
    // A message box owned by this dialog.
    int ShowMessage(const wchar_t* text, const wchar_t* caption, UINT flags);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    bool m_modal = false;
};

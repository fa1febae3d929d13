// CProgressCtrl: a progress-bar control of a dialog, bound by data exchange.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CProgressCtrl {
public:
    HWND m_hWnd = nullptr;

    void SetRange(int lower, int upper) {
        SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
    }
    void SetPos(int position) { SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
    int GetPos() const { return static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
};

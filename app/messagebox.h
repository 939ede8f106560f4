// The device's message box: a modal window named "WQMessage" in the player's
// look, showing a short notice (the storage messages). It closes on WM_CLOSE
// (the player posts one 3 s after a storage event) or on a tap.
#pragma once

#include "platform/win/afxwin.h"

namespace wq::app {

// Its dialog resource: a caption-less pop-up that sizes itself (messagebox.cpp).
constexpr UINT IDD_WQMESSAGE = 101;

class CWQMessageDlg : public CDialog {
public:
    CWQMessageDlg(const CString& text, UINT style, CWnd* parent);
    ~CWQMessageDlg() override;
    BOOL OnInitDialog() override;
    const CString& GetText() const { return m_strText; }

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    CString m_strText;
    UINT m_nStyle;
    HFONT m_hFont = nullptr;
};

// Makes CMessageDlg::WQMessageBox show a CWQMessageDlg.
void InstallMessageBox();

}  // namespace wq::app

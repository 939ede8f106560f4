// CDialog: a window made from a dialog resource (platform/win/dlgres.h) and run
// modally by DoModal in a nested message loop.
//
// DoModal: the owner (the parent's top-level window, or AfxGetMainWnd()) is
// disabled, the window and its resource controls are created, OnInitDialog runs,
// a still-hidden visible-style dialog is shown and painted, then the loop runs
// until EndDialog. After the loop the owner is re-enabled and reactivated, the
// dialog is hidden and the virtual DestroyWindow runs (overrides first). The
// object outlives its window and can run DoModal again.
#pragma once

#include "platform/win/wnd.h"

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // The result passed to EndDialog; -1 when the window could not be created.
    // A WM_QUIT arriving during the loop ends it (and is posted again for the
    // outer loops) with -1 unless EndDialog was already called.
    virtual INT_PTR DoModal();
    // Sets the result and ends the loop after the current handler returns.
    void EndDialog(int nResult);
    // TRUE: focus goes to the first control; FALSE: the handler set it.
    virtual BOOL OnInitDialog();
    virtual void OnOK();      // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();  // EndDialog(IDCANCEL)
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Modeless creation from the resource (shown when the resource says visible).
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    using CWnd::Create;

    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

    afx_msg LRESULT HandleInitDialog(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    HWND CreateFromResource(HWND owner);
};

// CWQPatternDlg: the small skinned window in which the user picks the pattern
// the player's spectrum draws: BASIC, SYMMETRIC, WAVE, or DEFAULT (BASIC). A
// choice takes effect at once, because the window sends it to the main window
// (the player) before it stores it under "PATTERN" in "WQAUDIO" for the next
// start. Opening the window sends and stores nothing.
//
// A modal dialog on resource 233, named "WQPATTERN". Two objects exist: the
// player's (its "Set EQ" button) and the equalizer window's (its PATTERN
// button). EQ, EXIT, the launcher's close key and WM_CLOSE close it; every way
// it closes (also an EndDialog from outside) frees its skin exactly once, and
// the object can run DoModal again.
//
// Thread: the GUI thread.
#pragma once

#include "platform/win/afxwin.h"
#include "taskbar/taskbarwnd.h"
#include "visual/patterndlg_res.h"

class CSkinManager;

class CWQPatternDlg : public CDialog, public CTaskbarHost {
public:
    enum : UINT { IDD = IDD_WQPATTERN_DIALOG };
    static constexpr const char16_t* kTemplatePath = u"\\NAND Flash\\skin\\WQAudio\\WQPattern.TPL";

    explicit CWQPatternDlg(CWnd* pParent = nullptr);
    ~CWQPatternDlg() override;

    // Selects pattern n: sends "WQ:MSG:M_AUDIO_PATTERN" (1, n) to the main
    // window, then writes "PATTERN" = n, then lights its button. Any number is
    // passed on; the player draws nothing for one outside 0..2.
    void SelectPattern(int n);
    // Gives button 2051 + i the selected face for i == n, the plain face
    // otherwise, and repaints. A number outside 0..2 lights none.
    void SetPatternButton(int n);
    // The selected picture (selected = TRUE) or the plain one of pattern 0..2,
    // skin-relative; nullptr outside.
    static const char16_t* ButtonPicture(int pattern, BOOL selected);

    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;
    CTaskbarWnd* GetTaskbar() override { return &m_wndTaskbar; }

    CTaskbarWnd m_wndTaskbar;
    CSkinManager* m_pSkinManager = nullptr;  // owned; from OnInitDialog until the window closes
    BOOL m_bSkinReady = FALSE;               // the pen is ignored until the skin is complete
    int m_nSelPatten = 0;                    // the pattern shown as selected

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnClose();
    afx_msg void OnBtnBasic();
    afx_msg void OnBtnSymmetric();
    afx_msg void OnBtnWave();
    afx_msg void OnBtnDefault();
    afx_msg void OnBtnClose();
    afx_msg void OnBtnMode();
    afx_msg LRESULT OnKeyDownMsg(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnAudioUpdate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Deletes the skin manager (once; later calls do nothing) and ignores the
    // pen from then on.
    void FreeSkin();
};

// CScrollTextWnd: the one-line text display over skinned backgrounds (the
// player's track and folder lines, the explorer's path label, the
// equalizer's read-outs).
//
// It draws its text over a copy of the background that lay under it when it
// was placed (CaptureBackground). A text that fits is drawn with the format
// flags (centred after creation) and never scrolls; a wider text scrolls from
// right to left, 5 pixels per paint, and re-enters from the right edge once it
// has moved its whole width out. Every paint composes off-screen and shows the
// result with one block copy, so the background never flickers.
//
// Timers: while scrolling, timer 1 of this window drives the repaints (200 ms
// after a paint; a tick invalidates and re-arms it at 500 ms, and the repaint
// that follows brings it back to 200 ms).
// Thread: the GUI thread.
#pragma once

#include "platform/base/cstring.h"
#include "platform/gdi/gdi.h"
#include "platform/win/wnd.h"

class CScrollTextWnd : public CWnd {
public:
    CScrollTextWnd();
    ~CScrollTextWnd() override;

    // Creates the window (always as a child of pParentWnd): scroll offset 0,
    // format DT_CENTER, font height 15, then the framework's creation.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;
    // The placement step some windows call by this name: the same as
    // CaptureBackground (the window must already exist).
    BOOL Create(HDC hdcParent, const RECT& rect);
    BOOL DestroyWindow() override;

    // Copies the parent's pixels at rect (parent coordinates) into the
    // background buffer, replacing an earlier copy. FALSE when the buffer
    // cannot be made (empty rectangle, bad DC).
    BOOL CaptureBackground(HDC hdcParent, const RECT& rect);

    // Sets the main text, recomposes (the scroll restarts at offset 0, also
    // for the same text) and invalidates with erase.
    void SetText(LPCTSTR lpszText);
    // Sets the text shown before the main text; nothing is redrawn until the
    // next SetText.
    void SetPrefix(LPCTSTR lpszPrefix);
    // DrawText flags used when the text fits (DT_SINGLELINE is always added).
    void SetFormat(UINT nFormat);
    void SetTextColor(COLORREF color);
    // TRUE: invalidate with erase. FALSE: the offset returns to 0 and the next
    // paint draws with the format flags.
    void EnableScroll(BOOL bEnable);
    // Replaces the font: bold "굴림" of this cell height.
    void SetFontHeight(int nHeight);

    // ---- read-outs for windows and tests ----
    const CString& GetText() const { return m_strText; }
    const CString& GetPrefix() const { return m_strPrefix; }
    const CString& GetShownText() const { return m_strShow; }
    UINT GetFormat() const { return m_nFormat; }
    COLORREF GetTextColor() const { return m_crText; }
    int GetScrollOffset() const { return m_nScrollOffset; }
    BOOL IsScrollEnabled() const { return m_bEnableScroll; }
    // Identifier of the running scroll timer, 0 when none.
    UINT_PTR GetScrollTimer() const { return m_nScrollTimer; }

protected:
    // shown text = prefix + " - " + text when both are set, else whichever is
    // set; the scroll offset returns to 0.
    void ComposeText();

    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    void ReleaseBackground();

    CString m_strText;
    CString m_strPrefix;
    CString m_strShow;
    UINT m_nFormat = 0;
    HDC m_hdcBack = nullptr;
    HBITMAP m_hbmBack = nullptr;
    HGDIOBJ m_hbmBackOld = nullptr;
    COLORREF m_crText = 0xFFFFFF;
    int m_nScrollOffset = 0;
    UINT_PTR m_nScrollTimer = 0;
    HFONT m_hFont = nullptr;
    BOOL m_bEnableScroll = TRUE;
};

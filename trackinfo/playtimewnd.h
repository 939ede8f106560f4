// CPlayTimeWnd: elapsed and total play time, "mm:ss/mm:ss", drawn with the
// skin's digit strip, colon and slash pictures over a copy of the player's
// background. Updates recompose off-screen (one block copy and eleven small
// transparent blits) and painting shows the result with one block copy. The
// caller composes only when the shown second changes and invalidates the
// window after Compose.
// Thread: the GUI thread.
#pragma once

#include "graphics/imageobj.h"
#include "platform/gdi/gdi.h"
#include "platform/win/wnd.h"
#include "trackinfo/overlay_buffers.h"
#include "trackinfo/timespan.h"

class CPlayTimeWnd : public CWnd {
public:
    // Skin pictures (device paths). The strip holds glyphs 0..9, each 5 x 6
    // pixels, glyph d at x = 5 * d; magenta 0xFF00FF is transparent in all three.
    static constexpr const char16_t* kDigitStripPath =
        u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_num.bmp";
    static constexpr const char16_t* kColonPath = u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_colon.bmp";
    static constexpr const char16_t* kSlashPath = u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_slash.bmp";

    // Loads the three pictures; one that fails to load is simply not drawn.
    CPlayTimeWnd();
    ~CPlayTimeWnd() override;
    // Releases the pictures and both buffers, then lets the framework destroy
    // the window.
    BOOL DestroyWindow() override;

    // Makes both buffers the size of rect and fills both from the player
    // window's DC at rect's top-left corner (player coordinates).
    BOOL CaptureBackground(HDC hdcParent, const RECT& rect);

    void SetElapsed(CTimeSpan ts) { m_tsElapsed = ts; }
    void SetTotal(CTimeSpan ts) { m_tsTotal = ts; }
    CTimeSpan GetElapsed() const { return m_tsElapsed; }
    CTimeSpan GetTotal() const { return m_tsTotal; }

    // Background, then the eleven glyphs of elapsed/total. Does nothing
    // before CaptureBackground.
    void Compose();

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    DECLARE_MESSAGE_MAP()

private:
    void ReleaseImages();

    CTimeSpan m_tsElapsed;
    CTimeSpan m_tsTotal;
    CImageObject m_imgNum;
    CImageObject m_imgColon;
    CImageObject m_imgSlash;
    wq::trackinfo::OverlayBuffers m_buffers;
};

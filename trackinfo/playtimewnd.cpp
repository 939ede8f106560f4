#include "trackinfo/playtimewnd.h"

#include "trackinfo/playtimewnd_layout.h"

using namespace wq::trackinfo;

BEGIN_MESSAGE_MAP(CPlayTimeWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CPlayTimeWnd::CPlayTimeWnd() {
    m_imgNum.Load(kDigitStripPath);
    m_imgColon.Load(kColonPath);
    m_imgSlash.Load(kSlashPath);
}

CPlayTimeWnd::~CPlayTimeWnd() {
    ReleaseImages();
    m_buffers.Release();
}

void CPlayTimeWnd::ReleaseImages() {
    m_imgNum.Release();
    m_imgColon.Release();
    m_imgSlash.Release();
}

BOOL CPlayTimeWnd::DestroyWindow() {
    ReleaseImages();
    m_buffers.Release();
    return CWnd::DestroyWindow();
}

BOOL CPlayTimeWnd::CaptureBackground(HDC hdcParent, const RECT& rect) {
    return m_buffers.Capture(hdcParent, rect);
}

int CPlayTimeWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
    m_tsElapsed = 0;
    m_tsTotal = 0;
    return 0;
}

void CPlayTimeWnd::Compose() {
    if (!m_buffers.Restore()) return;
    HDC dc = m_buffers.Composition();
    for (const PlacedGlyph& g : LayOutTimes(m_tsElapsed, m_tsTotal)) {
        switch (g.glyph) {
            case TimeGlyph::Digit:
                m_imgNum.DrawTransparentPart(dc, g.x, kTimeGlyphY, kDigitWidth, kDigitHeight,
                                             kDigitWidth * g.digit, 0, kDigitWidth, kDigitHeight);
                break;
            case TimeGlyph::Colon:
                m_imgColon.DrawTransparent(dc, g.x, kTimeGlyphY);
                break;
            case TimeGlyph::Slash:
                m_imgSlash.DrawTransparent(dc, g.x, kTimeGlyphY);
                break;
        }
    }
}

void CPlayTimeWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (dc) m_buffers.Show(dc);
    EndPaint(&ps);
}

void CPlayTimeWnd::OnLButtonDown(UINT nFlags, CPoint point) {
    CWnd::OnLButtonDown(nFlags, point);
}

BOOL CPlayTimeWnd::OnEraseBkgnd(HDC hdc) {
    return CWnd::OnEraseBkgnd(hdc);
}

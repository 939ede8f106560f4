#include "trackinfo/trackinfownd.h"

namespace {

constexpr COLORREF kTextColor = 0xFFFFFF;
constexpr UINT kTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

}  // namespace

BEGIN_MESSAGE_MAP(CTrackInfoWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CTrackInfoWnd::CTrackInfoWnd() {
    m_hFont = CreateFont(8, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                         FF_SWISS | DEFAULT_PITCH, u"굴림");
}

CTrackInfoWnd::~CTrackInfoWnd() {
    m_buffers.Release();
    if (m_hFont) DeleteObject(m_hFont);
}

BOOL CTrackInfoWnd::DestroyWindow() {
    m_buffers.Release();
    return CWnd::DestroyWindow();
}

BOOL CTrackInfoWnd::CaptureBackground(HDC hdcParent, const RECT& rect) {
    return m_buffers.Capture(hdcParent, rect);
}

CString CTrackInfoWnd::GetText() const {
    CString bitRate, sampleRate;
    bitRate.Format(u"%03d Kbps", m_nBitRate);
    sampleRate.Format(u" / %02d Khz", m_nSampleRate);
    return bitRate + sampleRate;
}

void CTrackInfoWnd::Compose() {
    if (!m_buffers.Restore()) return;
    HDC dc = m_buffers.Composition();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColor);
    HGDIOBJ oldFont = m_hFont ? SelectObject(dc, m_hFont) : nullptr;
    CString text = GetText();
    RECT rc = {0, 0, m_buffers.Width(), m_buffers.Height()};
    DrawText(dc, text, text.GetLength(), &rc, kTextFormat);
    if (oldFont) SelectObject(dc, oldFont);
}

void CTrackInfoWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (dc) m_buffers.Show(dc);
    EndPaint(&ps);
}

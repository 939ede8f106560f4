// The scrolling text control: composition, off-screen paint and the scroll
// timer. See scrolltext.h.
#include "graphics/scrolltext.h"

namespace {
constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT kScrollPaintMs = 200;  // next step after a paint
constexpr UINT kScrollTickMs = 500;   // re-arm on a tick; the repaint shortens it
constexpr int kScrollStep = 5;        // pixels per paint
constexpr int kDefaultFontHeight = 15;

HGDIOBJ Obj(HFONT f) {
    return reinterpret_cast<HGDIOBJ>(f);
}
HGDIOBJ Obj(HBITMAP b) {
    return reinterpret_cast<HGDIOBJ>(b);
}
}  // namespace

BEGIN_MESSAGE_MAP(CScrollTextWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CScrollTextWnd::CScrollTextWnd() = default;

CScrollTextWnd::~CScrollTextWnd() {
    if (m_hWnd) DestroyWindow();
    ReleaseBackground();
    if (m_hFont) DeleteObject(Obj(m_hFont));
}

BOOL CScrollTextWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                            const RECT& rect, CWnd* pParentWnd, UINT nID, void* pContext) {
    m_nScrollOffset = 0;
    m_nFormat = DT_CENTER;
    SetFontHeight(kDefaultFontHeight);
    return CWnd::Create(lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID,
                        pContext);
}

BOOL CScrollTextWnd::Create(HDC hdcParent, const RECT& rect) {
    return CaptureBackground(hdcParent, rect);
}

BOOL CScrollTextWnd::DestroyWindow() {
    ReleaseBackground();
    if (m_hWnd) {
        if (m_nScrollTimer) KillTimer(m_nScrollTimer);
        KillTimer(kScrollTimer);
    }
    m_nScrollTimer = 0;
    return CWnd::DestroyWindow();
}

void CScrollTextWnd::ReleaseBackground() {
    if (m_hdcBack) {
        SelectObject(m_hdcBack, m_hbmBackOld);
        DeleteDC(m_hdcBack);
    }
    if (m_hbmBack) DeleteObject(Obj(m_hbmBack));
    m_hdcBack = nullptr;
    m_hbmBack = nullptr;
    m_hbmBackOld = nullptr;
}

BOOL CScrollTextWnd::CaptureBackground(HDC hdcParent, const RECT& rect) {
    ReleaseBackground();
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (!hdcParent || w <= 0 || h <= 0) return FALSE;
    m_hdcBack = CreateCompatibleDC(hdcParent);
    m_hbmBack = CreateCompatibleBitmap(hdcParent, w, h);
    if (!m_hdcBack || !m_hbmBack) {
        ReleaseBackground();
        return FALSE;
    }
    m_hbmBackOld = SelectObject(m_hdcBack, Obj(m_hbmBack));
    BitBlt(m_hdcBack, 0, 0, w, h, hdcParent, rect.left, rect.top, SRCCOPY);
    return TRUE;
}

void CScrollTextWnd::ComposeText() {
    m_nScrollOffset = 0;
    if (!m_strPrefix.IsEmpty() && !m_strText.IsEmpty()) {
        m_strShow = m_strPrefix + u" - " + m_strText;
    } else {
        m_strShow = m_strPrefix + m_strText;
    }
}

void CScrollTextWnd::SetText(LPCTSTR lpszText) {
    m_strText = lpszText;
    ComposeText();
    if (m_hWnd) Invalidate(TRUE);
}

void CScrollTextWnd::SetPrefix(LPCTSTR lpszPrefix) {
    m_strPrefix = lpszPrefix;
}

void CScrollTextWnd::SetFormat(UINT nFormat) {
    m_nFormat = nFormat;
}

void CScrollTextWnd::SetTextColor(COLORREF color) {
    m_crText = color;
}

void CScrollTextWnd::EnableScroll(BOOL bEnable) {
    m_bEnableScroll = bEnable ? TRUE : FALSE;
    if (m_bEnableScroll) {
        if (m_hWnd) Invalidate(TRUE);
    } else {
        m_nScrollOffset = 0;
    }
}

void CScrollTextWnd::SetFontHeight(int nHeight) {
    if (m_hFont) DeleteObject(Obj(m_hFont));
    m_hFont =
        CreateFontW(nHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FF_SWISS, u"굴림");
}

void CScrollTextWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(&ps);
    RECT client;
    GetClientRect(&client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    if (!hdc) {
        EndPaint(&ps);
        return;
    }
    if (m_strShow.IsEmpty()) {
        if (m_hdcBack) BitBlt(hdc, 0, 0, cw, ch, m_hdcBack, 0, 0, SRCCOPY);
        EndPaint(&ps);
        return;
    }

    HDC mem = CreateCompatibleDC(hdc);
    HBITMAP bmp = CreateCompatibleBitmap(hdc, cw, ch);
    HGDIOBJ oldBmp = SelectObject(mem, Obj(bmp));
    if (m_hdcBack) BitBlt(mem, 0, 0, cw, ch, m_hdcBack, 0, 0, SRCCOPY);
    HGDIOBJ oldFont = m_hFont ? SelectObject(mem, Obj(m_hFont)) : nullptr;
    SIZE extent{};
    GetTextExtentExPointW(mem, m_strShow, m_strShow.GetLength(), 0, nullptr, nullptr, &extent);
    const int w = extent.cx;
    SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, m_crText);

    if (m_nScrollTimer) {
        KillTimer(m_nScrollTimer);
        m_nScrollTimer = 0;
    }
    if (w <= cw || !m_bEnableScroll) {
        RECT rc = client;
        DrawTextW(mem, m_strShow, m_strShow.GetLength(), &rc, m_nFormat | DT_SINGLELINE);
    } else {
        m_nScrollTimer = SetTimer(kScrollTimer, kScrollPaintMs, nullptr);
        if (m_nScrollOffset > w) {
            m_nScrollOffset = -cw;  // re-enter from the right edge
        } else {
            m_nScrollOffset += kScrollStep;
        }
        ExtTextOutW(mem, -m_nScrollOffset, 0, ETO_IGNORELANGUAGE, &client, m_strShow,
                    static_cast<UINT>(m_strShow.GetLength()), nullptr);
    }

    BitBlt(hdc, 0, 0, cw, ch, mem, 0, 0, SRCCOPY);
    if (oldFont) SelectObject(mem, oldFont);
    SelectObject(mem, oldBmp);
    DeleteObject(Obj(bmp));
    DeleteDC(mem);
    EndPaint(&ps);
}

void CScrollTextWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kScrollTimer) return;
    KillTimer(kScrollTimer);
    Invalidate(FALSE);
    SetTimer(kScrollTimer, kScrollTickMs, nullptr);
}

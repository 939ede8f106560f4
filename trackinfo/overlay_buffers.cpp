#include "trackinfo/overlay_buffers.h"

namespace wq::trackinfo {

BOOL OverlayBuffers::Make(HDC hdcParent, int cx, int cy, Buffer* b) {
    b->dc = CreateCompatibleDC(hdcParent);
    b->bitmap = b->dc ? CreateCompatibleBitmap(hdcParent, cx, cy) : nullptr;
    if (!b->bitmap) return FALSE;
    b->old = SelectObject(b->dc, b->bitmap);
    return b->old != nullptr;
}

void OverlayBuffers::Free(Buffer* b) {
    if (b->dc && b->old) SelectObject(b->dc, b->old);
    if (b->bitmap) DeleteObject(b->bitmap);
    if (b->dc) DeleteDC(b->dc);
    *b = Buffer{};
}

BOOL OverlayBuffers::Capture(HDC hdcParent, const RECT& rect) {
    Release();
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    if (cx <= 0 || cy <= 0 || hdcParent == nullptr) return FALSE;
    if (!Make(hdcParent, cx, cy, &m_back) || !Make(hdcParent, cx, cy, &m_comp)) {
        Release();
        return FALSE;
    }
    // Both start as the parent's pixels under the rectangle.
    BitBlt(m_back.dc, 0, 0, cx, cy, hdcParent, rect.left, rect.top, SRCCOPY);
    BitBlt(m_comp.dc, 0, 0, cx, cy, hdcParent, rect.left, rect.top, SRCCOPY);
    m_cx = cx;
    m_cy = cy;
    return TRUE;
}

BOOL OverlayBuffers::Restore() {
    if (!m_comp.dc || !m_back.dc) return FALSE;
    return BitBlt(m_comp.dc, 0, 0, m_cx, m_cy, m_back.dc, 0, 0, SRCCOPY);
}

BOOL OverlayBuffers::Show(HDC hdc) const {
    if (!m_comp.dc || !hdc) return FALSE;
    return BitBlt(hdc, 0, 0, m_cx, m_cy, m_comp.dc, 0, 0, SRCCOPY);
}

void OverlayBuffers::Release() {
    Free(&m_comp);
    Free(&m_back);
    m_cx = 0;
    m_cy = 0;
}

}  // namespace wq::trackinfo

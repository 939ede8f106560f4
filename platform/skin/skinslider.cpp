// Skin sliders: position <-> thumb geometry, drawing, and the 200/100 codes.
#include "platform/skin/skinslider.h"

#include <algorithm>

#include "platform/gdi/gdi.h"
#include "platform/skin/skinmanager.h"

namespace {
// Thickness of the drawn bar used when the skin gives no thumb picture.
constexpr int kBarThumb = 6;
}  // namespace

CSkinSlider::CSkinSlider(CSkinManager* manager, const wq::skin::ElementSpec& spec)
    : CSkinControl(manager, spec),
      m_bVertical(spec.orientation == wq::skin::Orientation::Vertical ? TRUE : FALSE) {
    if (!spec.thumb.empty()) m_pManager->LoadPicture(m_thumb, spec.thumb, spec.line);
    if (!spec.track.empty()) m_pManager->LoadPicture(m_track, spec.track, spec.line);
    if (!spec.fill.empty()) m_pManager->LoadPicture(m_fill, spec.fill, spec.line);
}

CSkinSlider::~CSkinSlider() = default;

SIZE CSkinSlider::ThumbSize() const {
    // The thumb never exceeds the slider; a larger picture is scaled down to it.
    SIZE s{m_bVertical ? m_rect.Width() : kBarThumb, m_bVertical ? kBarThumb : m_rect.Height()};
    if (m_thumb.IsLoaded()) s = SIZE{m_thumb.Width(), m_thumb.Height()};
    s.cx = std::min<LONG>(s.cx, m_rect.Width());
    s.cy = std::min<LONG>(s.cy, m_rect.Height());
    return s;
}

CRect CSkinSlider::GetThumbRect() const {
    const SIZE t = ThumbSize();
    if (m_bVertical) {
        const int travel = m_rect.Height() - t.cy;
        const int top = m_rect.top + travel * m_nPos / kMax;
        const int left = m_rect.left + (m_rect.Width() - t.cx) / 2;
        return CRect(left, top, left + t.cx, top + t.cy);
    }
    const int travel = m_rect.Width() - t.cx;
    const int left = m_rect.left + travel * m_nPos / kMax;
    const int top = m_rect.top + (m_rect.Height() - t.cy) / 2;
    return CRect(left, top, left + t.cx, top + t.cy);
}

int CSkinSlider::PosFromPoint(POINT point) const {
    // The thumb's centre follows the pen: travel runs from half a thumb in
    // from the start to half a thumb before the end.
    const SIZE t = ThumbSize();
    const int travel = m_bVertical ? m_rect.Height() - t.cy : m_rect.Width() - t.cx;
    if (travel <= 0) return kMin;
    const int offset =
        m_bVertical ? point.y - (m_rect.top + t.cy / 2) : point.x - (m_rect.left + t.cx / 2);
    // Rounded to the nearest position so a tap on the thumb keeps its position.
    const int pos = (offset * kMax + travel / 2) / travel;
    return std::clamp(offset < 0 ? kMin : pos, kMin, kMax);
}

bool CSkinSlider::MoveTo(int pos) {
    pos = std::clamp(pos, kMin, kMax);
    if (pos == m_nPos) return false;
    m_nPos = pos;
    m_pManager->Invalidate(m_rect);
    return true;
}

void CSkinSlider::SetPos(int nPos) {
    MoveTo(nPos);
}

void CSkinSlider::Draw(HDC hdc) const {
    if (m_track.IsLoaded()) {
        m_track.Draw(hdc, m_rect, RECT{0, 0, m_track.Width(), m_track.Height()},
                     wq::skin::Blend::Keyed);
    }
    const CRect thumb = GetThumbRect();
    if (m_fill.IsLoaded()) {
        // The fill picture covers the slider; only its part up to the thumb's
        // centre is shown, unscaled along the travel.
        const CPoint c = thumb.CenterPoint();
        RECT dest = m_rect;
        if (m_bVertical) {
            dest.bottom = c.y;
        } else {
            dest.right = c.x;
        }
        const int w = dest.right - dest.left;
        const int h = dest.bottom - dest.top;
        if (w > 0 && h > 0) {
            const RECT src = m_bVertical ? RECT{0, 0, m_fill.Width(), std::min(h, m_fill.Height())}
                                         : RECT{0, 0, std::min(w, m_fill.Width()), m_fill.Height()};
            m_fill.Draw(hdc, dest, src, wq::skin::Blend::Keyed);
        }
    }
    if (m_thumb.IsLoaded()) {
        m_thumb.Draw(hdc, thumb, RECT{0, 0, m_thumb.Width(), m_thumb.Height()},
                     wq::skin::Blend::Keyed);
    } else {
        HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
        FillRect(hdc, &thumb, brush);
        DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
    }
}

void CSkinSlider::OnPenDown(POINT point) {
    m_bDragging = TRUE;
    MoveTo(PosFromPoint(point));
    m_pManager->Notify(m_nID, kCodeDrag);
}

void CSkinSlider::OnPenMove(POINT point) {
    if (!m_bDragging) return;
    if (MoveTo(PosFromPoint(point))) m_pManager->Notify(m_nID, kCodeDrag);
}

void CSkinSlider::OnPenUp(POINT point) {
    if (!m_bDragging) return;
    m_bDragging = FALSE;
    MoveTo(PosFromPoint(point));
    m_pManager->Notify(m_nID, kCodeSet);
}

void CSkinSlider::CancelPen() {
    m_bDragging = FALSE;
}

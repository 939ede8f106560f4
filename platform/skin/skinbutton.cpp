// Skin buttons: faces, pressed state and the command on release or repeat.
#include "platform/skin/skinbutton.h"

#include "platform/skin/skinmanager.h"

CSkinButton::CSkinButton(CSkinManager* manager, const wq::skin::ElementSpec& spec)
    : CSkinControl(manager, spec), m_bAutoRepeat(spec.autoRepeat ? TRUE : FALSE) {
    m_faceName[0] = spec.normal;
    m_faceName[1] = spec.pressed;
    if (!spec.normal.empty()) m_pManager->LoadPicture(m_face[0], spec.normal, spec.line);
    if (!spec.pressed.empty()) m_pManager->LoadPicture(m_face[1], spec.pressed, spec.line);
}

const std::u16string& CSkinButton::GetFacePath(int nState) const {
    static const std::u16string kNone;
    return (nState == 0 || nState == 1) ? m_faceName[nState] : kNone;
}

CSkinButton::~CSkinButton() = default;

BOOL CSkinButton::SetSkinBitmap(LPCWSTR lpszPath, int nState) {
    if (nState != 0 && nState != 1) return FALSE;
    wq::skin::Picture& face = m_face[nState];
    m_faceName[nState] = lpszPath ? lpszPath : u"";
    const bool ok = lpszPath && *lpszPath && m_pManager->LoadPicture(face, lpszPath, 0);
    if (!ok) face.Release();
    m_pManager->Invalidate(m_rect);
    return ok ? TRUE : FALSE;
}

void CSkinButton::SetAutoRepeat(BOOL bAutoRepeat) {
    m_bAutoRepeat = bAutoRepeat ? TRUE : FALSE;
    if (!m_bAutoRepeat) m_pManager->StopRepeat(this);
}

void CSkinButton::Draw(HDC hdc) const {
    // The pressed face falls back to the normal one when the skin has none,
    // so a button never vanishes under the pen.
    const wq::skin::Picture& face = (m_bPressed && m_face[1].IsLoaded()) ? m_face[1] : m_face[0];
    if (!face.IsLoaded()) return;
    const RECT src{0, 0, face.Width(), face.Height()};
    face.Draw(hdc, m_rect, src, wq::skin::Blend::Keyed);
}

void CSkinButton::SetPressed(bool pressed) {
    if (static_cast<bool>(m_bPressed) == pressed) return;
    m_bPressed = pressed ? TRUE : FALSE;
    m_pManager->Invalidate(m_rect);
}

bool CSkinButton::Fire() {
    return m_pManager->Notify(m_nID, BN_CLICKED);
}

void CSkinButton::OnPenDown() {
    m_bTracking = true;
    SetPressed(true);
    if (!m_bAutoRepeat) return;
    if (!Fire()) return;
    if (m_bTracking) m_pManager->StartRepeat(this, kRepeatDelayMs);
}

void CSkinButton::OnPenMove(POINT point) {
    if (!m_bTracking) return;
    const bool inside = m_rect.PtInRect(point);
    if (inside == static_cast<bool>(m_bPressed)) return;
    SetPressed(inside);
    if (!m_bAutoRepeat) return;
    if (inside) {
        m_pManager->StartRepeat(this, kRepeatIntervalMs);
    } else {
        m_pManager->StopRepeat(this);
    }
}

void CSkinButton::OnPenUp(POINT point) {
    if (!m_bTracking) return;
    m_bTracking = false;
    const bool inside = m_rect.PtInRect(point);
    m_pManager->StopRepeat(this);
    SetPressed(false);
    if (inside && !m_bAutoRepeat) Fire();
}

void CSkinButton::OnRepeatTimer() {
    if (!m_bTracking || !m_bPressed || !m_bAutoRepeat) {
        m_pManager->StopRepeat(this);
        return;
    }
    if (!Fire()) return;
    // A handler may have lifted the button meanwhile (SetAutoRepeat(FALSE)).
    if (m_bTracking && m_bAutoRepeat) m_pManager->StartRepeat(this, kRepeatIntervalMs);
}

void CSkinButton::CancelPen() {
    m_bTracking = false;
    m_pManager->StopRepeat(this);
    SetPressed(false);
}

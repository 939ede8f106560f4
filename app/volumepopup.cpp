#include "app/volumepopup.h"

#include "graphics/imageobj.h"
#include "platform/device/common.h"
#include "platform/device/volume.h"
#include "platform/gdi/gdi.h"
#include "player/wqaudiodlg.h"
#include "taskbar/taskbarwnd.h"

namespace wq::app {

namespace {

UINT s_msgVolumeShow = RegisterWindowMessage(u"WQ:MSG:M_VOLUME_SHOW");
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
constexpr UINT WM_SHOW_POPUP = WM_APP + 1;
constexpr UINT_PTR kHideTimer = 1;
constexpr WPARAM kCloseKey = 128;

// The player's palette (as the message box), with the strip's cyan for the
// lit steps of the bar.
constexpr COLORREF kPanel = RGB(18, 38, 74);
constexpr COLORREF kFrame = RGB(120, 170, 230);
constexpr COLORREF kPressed = RGB(44, 86, 150);
constexpr COLORREF kButton = RGB(30, 58, 104);
constexpr COLORREF kInk = RGB(235, 244, 255);
constexpr COLORREF kLit = RGB(60, 203, 244);
constexpr COLORREF kUnlit = RGB(44, 70, 110);
constexpr COLORREF kLitMuted = RGB(96, 122, 160);  // the level, greyed while muted

// The bar: eleven steps 8 pixels apart, each 6 wide, rising from 8 to 28 high.
constexpr int kBarLeft = 90, kStep = 8, kStepWidth = 6, kBarBottom = 48;

void Fill(HDC dc, const CRect& rc, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

DWORD ReadSetup(const char16_t* key, DWORD fallback, bool memory = false) {
    DWORD value = 0;
    const int found = memory ? CCommon::ReadINIMem(u"WQSETUP", key, REG_DWORD, &value)
                             : CCommon::ReadINIFile(u"WQSETUP", key, REG_DWORD, &value);
    return found ? value : fallback;
}

}  // namespace

BEGIN_MESSAGE_MAP(CVolumePopup, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_REGISTERED_MESSAGE(s_msgVolumeShow, OnVolumeShow)
    ON_REGISTERED_MESSAGE(s_msgKeyDown, OnKeyDown)
    ON_MESSAGE(WM_SHOW_POPUP, OnShowPosted)
END_MESSAGE_MAP()

CVolumePopup::CVolumePopup() = default;
CVolumePopup::~CVolumePopup() = default;

CRect CVolumePopup::PartRect(Part part) {
    switch (part) {
        case PART_MUTE:
            return CRect(10, 16, 46, 52);
        case PART_MINUS:
            return CRect(52, 16, 84, 52);
        case PART_BAR:
            return CRect(kBarLeft, 16, kBarLeft + 11 * kStep, 52);
        case PART_PLUS:
            return CRect(184, 16, 216, 52);
        default:
            return CRect();
    }
}

CVolumePopup::Part CVolumePopup::HitTest(POINT point) {
    for (Part part : {PART_MUTE, PART_MINUS, PART_BAR, PART_PLUS})
        if (PartRect(part).PtInRect(point)) return part;
    return PART_NONE;
}

BOOL CVolumePopup::CreateIfAbsent() {
    // Another program's "WQVol" is found over the desktop bus: it shows the
    // pop-up then, and this one is never made.
    if (::FindWindow(nullptr, u"WQVol")) return FALSE;
    const CRect rc((480 - kWidth) / 2, (234 - kHeight) / 2, (480 + kWidth) / 2,
                   (234 + kHeight) / 2);
    return CreateEx(0, kClassName, u"WQVol", WS_POPUP, rc, nullptr, 0);
}

LRESULT CVolumePopup::OnVolumeShow(WPARAM wParam, LPARAM) {
    if (wParam == 1) PostMessage(WM_SHOW_POPUP, 0, 0);
    return 1;
}

LRESULT CVolumePopup::OnShowPosted(WPARAM, LPARAM) {
    Show();
    return 0;
}

LRESULT CVolumePopup::OnKeyDown(WPARAM wParam, LPARAM) {
    if (wParam == kCloseKey && IsShown()) Hide();
    return 1;
}

void CVolumePopup::Show() {
    m_nLevel = wq::device::ClampStoredLevel(ReadSetup(u"Volume", 9));
    m_bMute = ReadSetup(u"Mute", 0) != 0;
    m_bEarphone = ReadSetup(u"earphone", 0, true) != 0;
    m_pressed = PART_NONE;
    // Over the player, which stays the active window.
    ShowWindow(SW_SHOWNA);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate(FALSE);
    SetCapture();
    StillInUse();
}

void CVolumePopup::Hide() {
    KillTimer(kHideTimer);
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    m_pressed = PART_NONE;
    ShowWindow(SW_HIDE);
}

void CVolumePopup::StillInUse() {
    SetTimer(kHideTimer, kHideAfterMs, nullptr);
}

void CVolumePopup::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kHideTimer) Hide();
}

void CVolumePopup::Apply(int level, BOOL mute) {
    level = wq::device::ClampLevel(level);
    mute = mute ? TRUE : FALSE;
    if (mute != m_bMute) CCommon::SetOutMute(mute);
    if (level != m_nLevel) {
        if (m_bEarphone)
            CCommon::SetEarOutVolume(wq::device::kEarOutVolume[level]);
        else
            CCommon::SetOutVolume(wq::device::kOutVolume[level]);
    }
    m_nLevel = level;
    m_bMute = mute;
    const DWORD volume = static_cast<DWORD>(level), muted = static_cast<DWORD>(mute);
    CCommon::WriteINIFile(u"WQSETUP", u"Volume", REG_DWORD, &volume);
    CCommon::WriteINIFile(u"WQSETUP", u"Mute", REG_DWORD, &muted);
    for (const char16_t* window : {u"WQAudio", u"WQEqualizer", u"WQPATTERN"})
        PostToWindow(window, u"WQ:MSG:AUDIOUPDATE", 0, 0);
    Invalidate(FALSE);
}

void CVolumePopup::OnLButtonDown(UINT, CPoint point) {
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point)) {
        Hide();  // a tap outside
        return;
    }
    m_pressed = HitTest(point);
    Invalidate(FALSE);
    StillInUse();
}

void CVolumePopup::OnMouseMove(UINT, CPoint point) {
    if (m_pressed != PART_NONE && HitTest(point) != m_pressed) {
        m_pressed = PART_NONE;
        Invalidate(FALSE);
    }
    StillInUse();
}

void CVolumePopup::OnLButtonUp(UINT, CPoint point) {
    const Part part = m_pressed;
    m_pressed = PART_NONE;
    if (part != PART_NONE && HitTest(point) == part) {
        switch (part) {
            case PART_MUTE:
                Apply(m_nLevel, !m_bMute);
                break;
            case PART_MINUS:
                Apply(m_nLevel - 1, m_bMute);
                break;
            case PART_PLUS:
                Apply(m_nLevel + 1, m_bMute);
                break;
            case PART_BAR:  // step i sets level i + 1
                Apply((point.x - kBarLeft) / kStep + 1, m_bMute);
                break;
            default:
                break;
        }
    }
    Invalidate(FALSE);
    if (IsShown()) StillInUse();
}

BOOL CVolumePopup::OnEraseBkgnd(HDC) {
    return 1;
}

void CVolumePopup::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    CRect rc;
    GetClientRect(&rc);
    Fill(dc, rc, kFrame);
    Fill(dc, CRect(rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2), kPanel);

    for (Part part : {PART_MUTE, PART_MINUS, PART_PLUS})
        Fill(dc, PartRect(part), part == m_pressed ? kPressed : kButton);
    // The mute button shows the strip's icon for the output as it will be.
    CImageObject icon;
    const int state =
        m_bEarphone ? (m_bMute ? CTaskbarWnd::OUTPUT_HEAD_MUTED : CTaskbarWnd::OUTPUT_HEAD)
                    : (m_bMute ? CTaskbarWnd::OUTPUT_SPEAKER_MUTED : CTaskbarWnd::OUTPUT_SPEAKER);
    if (icon.Load(CTaskbarWnd::IconPath(state, FALSE))) {
        const CRect mute = PartRect(PART_MUTE);
        icon.DrawTransparent(dc, mute.left + (mute.Width() - icon.GetWidth()) / 2,
                             mute.top + (mute.Height() - icon.GetHeight()) / 2);
    }
    const CRect minus = PartRect(PART_MINUS), plus = PartRect(PART_PLUS);
    const int my = minus.top + minus.Height() / 2;
    Fill(dc, CRect(minus.left + 9, my - 2, minus.right - 9, my + 2), kInk);
    const int px = plus.left + plus.Width() / 2, py = plus.top + plus.Height() / 2;
    Fill(dc, CRect(plus.left + 9, py - 2, plus.right - 9, py + 2), kInk);
    Fill(dc, CRect(px - 2, plus.top + 11, px + 2, plus.bottom - 11), kInk);

    DrawBar(dc);
    DrawNumber(dc);
    EndPaint(&ps);
}

void CVolumePopup::DrawBar(HDC dc) const {
    for (int i = 0; i < 11; ++i) {
        const int x = kBarLeft + i * kStep + 1;
        const int height = 8 + 2 * i;
        const COLORREF colour = i < m_nLevel ? (m_bMute ? kLitMuted : kLit) : kUnlit;
        Fill(dc, CRect(x, kBarBottom - height, x + kStepWidth, kBarBottom), colour);
    }
    if (m_pressed == PART_BAR) {
        const CRect bar = PartRect(PART_BAR);
        Fill(dc, CRect(bar.left, bar.bottom - 2, bar.right, bar.bottom), kPressed);
    }
}

// The strip's number and digits, right of plus.
void CVolumePopup::DrawNumber(HDC dc) const {
    CImageObject digits;
    if (!digits.Load(CTaskbarWnd::kDigitsPath)) return;
    const int v = CTaskbarWnd::DisplayedVolume(m_nLevel);
    const CString text = [&] {
        CString s;
        s.Format(u"%d", v);
        return s;
    }();
    int x = 222;
    for (int i = 0; i < text.GetLength(); ++i, x += CTaskbarWnd::kDigitWidth) {
        const int d = text[i] - u'0';
        digits.DrawTransparentPart(dc, x, 28, CTaskbarWnd::kDigitWidth, CTaskbarWnd::kDigitHeight,
                                   CTaskbarWnd::kDigitWidth * d, 0, CTaskbarWnd::kDigitWidth,
                                   CTaskbarWnd::kDigitHeight);
    }
}

}  // namespace wq::app

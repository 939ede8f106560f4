#include "taskbar/taskbarwnd.h"

#include "graphics/imageobj.h"
#include "platform/device/common.h"
#include "platform/device/volume.h"
#include "platform/gdi/gdi.h"
#include "platform/skin/skinmanager.h"

namespace {

constexpr const char16_t* kSection = u"WQSETUP";

// One "WQSETUP" number, or `fallback` when the read fails.
DWORD ReadFile(const char16_t* key, DWORD fallback) {
    DWORD value = 0;
    return CCommon::ReadINIFile(kSection, key, REG_DWORD, &value) ? value : fallback;
}
DWORD ReadMem(const char16_t* key, DWORD fallback) {
    DWORD value = 0;
    return CCommon::ReadINIMem(kSection, key, REG_DWORD, &value) ? value : fallback;
}

struct Output {
    DWORD earphone;
    DWORD mute;
    int level;  // already limited to 0..11
};

Output ReadOutput() {
    Output o;
    o.earphone = ReadMem(u"earphone", 0);
    o.mute = ReadFile(u"Mute", 0);
    o.level = wq::device::ClampStoredLevel(ReadFile(u"Volume", 9));
    return o;
}

int StateOf(const Output& o) {
    if (o.earphone) return o.mute ? CTaskbarWnd::OUTPUT_HEAD_MUTED : CTaskbarWnd::OUTPUT_HEAD;
    return o.mute ? CTaskbarWnd::OUTPUT_SPEAKER_MUTED : CTaskbarWnd::OUTPUT_SPEAKER;
}

}  // namespace

const char16_t* const CTaskbarWnd::kIcons[kOutputStates * 2] = {
    u"spk_N_bt.bmp",      u"spk_A_bt.bmp",       // 0 speaker
    u"fmt_N_bt.bmp",      u"fmt_A_bt.bmp",       // 1 auxiliary output
    u"fmtspk_N_bt.bmp",   u"fmtspk_A_bt.bmp",    // 2 auxiliary and speaker
    u"spk_MN_bt.bmp",     u"spk_MA_bt.bmp",      // 3 speaker, muted
    u"fmt_MN_bt.bmp",     u"fmt_MA_bt.bmp",      // 4
    u"fmtspk_MN_bt.bmp",  u"fmtspk_MA_bt.bmp",   // 5
    u"head_N_bt.bmp",     u"head_A_bt.bmp",      // 6 headphone
    u"head_MN_bt.bmp",    u"head_MA_bt.bmp",     // 7 headphone, muted
    u"headfmt_N_bt.bmp",  u"headfmt_A_bt.bmp",   // 8
    u"headfmt_MN_bt.bmp", u"headfmt_MA_bt.bmp",  // 9
};

BEGIN_MESSAGE_MAP(CTaskbarWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CTaskbarWnd::CTaskbarWnd() = default;

CTaskbarWnd::~CTaskbarWnd() {
    // A strip destroyed as an object while its window lives never gets
    // WM_DESTROY back (see wnd.h); the skin goes with the object either way.
    delete m_pSkinManager;
}

int CTaskbarWnd::DisplayedVolume(int level) {
    const int clamped = wq::device::ClampLevel(level);
    return clamped == wq::device::kMaxVolumeLevel ? 100 : clamped * 9;
}

CString CTaskbarWnd::IconPath(int outputState, BOOL pressed) {
    const int state = outputState >= 0 && outputState < kOutputStates ? outputState : 0;
    CString path(kImageFolder);
    path += kIcons[state * 2 + (pressed ? 1 : 0)];
    return path;
}

int CTaskbarWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
    m_bLauncherHosted = FALSE;
    m_bCreated = FALSE;
    m_pSkinManager = new CSkinManager(this);
    if (!m_pSkinManager->Load(kTemplatePath))
        Dbg(u"CTaskbarWnd: the skin %s could not be loaded; the strip draws without it",
            kTemplatePath);

    CString parentTitle;
    if (CWnd* parent = GetParent()) parent->GetWindowText(parentTitle);
    RefreshOutput();  // not hosted yet: this shows the output

    // Case matters: only the launcher's own title makes the strip hosted.
    if (parentTitle.Compare(u"WQMain") != 0) {
        MoveWindow(kLeft, kTop, kWidth, kHeight, FALSE);
    } else {
        m_bLauncherHosted = TRUE;
    }
    m_bCreated = TRUE;
    return 0;
}

void CTaskbarWnd::OnDestroy() {
    CWnd::OnDestroy();
    delete m_pSkinManager;
    m_pSkinManager = nullptr;
}

void CTaskbarWnd::RefreshOutput() {
    if (m_bLauncherHosted)
        ApplyOutput();
    else
        ShowOutput();
}

void CTaskbarWnd::ShowOutput() {
    // "Volume" is read here too, as the device always did; the number itself
    // is read again when painting.
    m_nOutputState = StateOf(ReadOutput());
    InvalidateStrip();
    if (CWnd* owner = HasSkin() ? nullptr : GetParent())
        owner->UpdateWindow();  // paints the area under the strip, then the strip
    else
        UpdateWindow();
}

BOOL CTaskbarWnd::HasSkin() const {
    return m_pSkinManager && m_pSkinManager->IsLoaded();
}

// The skin covers the whole strip. Without it the strip has no face of its
// own and draws over what its owner painted, so the owner must paint that
// area again first, or the old icon and digits would show through.
void CTaskbarWnd::InvalidateStrip() {
    CWnd* owner = HasSkin() ? nullptr : GetParent();
    if (!owner) {
        Invalidate(FALSE);
        return;
    }
    CRect area;
    GetWindowRect(&area);
    owner->ScreenToClient(&area);
    owner->InvalidateRect(&area, FALSE);
}

// The four cases, by headphone and mute:
//   speaker, muted      SetSpkOnOff 1, SetOutMute 1, SetAuxOutMute true
//   speaker             SetSpkOnOff 1, SetOutMute 0, SetOutVolume out[level], SetAuxOutMute true
//   headphone, muted    [SetSpkOnOff 0 if EarphoneConnect is 1], SetOutMute 1, SetAuxOutMute true
//   headphone           [SetSpkOnOff 0 if EarphoneConnect is 1],
//                       [if EarphoneConnect is 0 and the last applied value was not 0:
//                        wait 500 ms, SetSpkOnOff 1, wait 5 ms, SetSpkOnOff 0, wait 5 ms,
//                        SetSpkOnOff 1], SetOutMute 0,
//                       [SetOutVolume out[level] if EarphoneConnect is 0],
//                       SetEarOutVolume ear[level], SetAuxOutMute true
// The waits run on the installed clock, so tests measure them in virtual time.
void CTaskbarWnd::ApplyOutput() {
    const Output o = ReadOutput();
    const DWORD earphoneConnect = ReadFile(u"EarphoneConnect", 1);
    const DWORD outVolume = wq::device::kOutVolume[o.level];
    const DWORD earVolume = wq::device::kEarOutVolume[o.level];

    if (!o.earphone) {
        CCommon::SetSpkOnOff(1);
        if (o.mute) {
            CCommon::SetOutMute(1);
        } else {
            CCommon::SetOutMute(0);
            CCommon::SetOutVolume(outVolume);
        }
        CCommon::SetAuxOutMute(true);
        m_nEarphoneConnect = 1;
    } else if (o.mute) {
        if (earphoneConnect == 1) CCommon::SetSpkOnOff(0);
        CCommon::SetOutMute(1);
        CCommon::SetAuxOutMute(true);
        m_nEarphoneConnect = 1;
    } else {
        if (earphoneConnect == 1) CCommon::SetSpkOnOff(0);
        if (earphoneConnect == 0 && m_nEarphoneConnect != 0) {
            Sleep(500);
            CCommon::SetSpkOnOff(1);
            Sleep(5);
            CCommon::SetSpkOnOff(0);
            Sleep(5);
            CCommon::SetSpkOnOff(1);
        }
        CCommon::SetOutMute(0);
        if (earphoneConnect == 0) CCommon::SetOutVolume(outVolume);
        CCommon::SetEarOutVolume(earVolume);
        CCommon::SetAuxOutMute(true);
        m_nEarphoneConnect = static_cast<int>(earphoneConnect);
    }
    m_nOutputState = StateOf(o);
}

void CTaskbarWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (m_bLauncherHosted || !dc) {
        EndPaint(&ps);
        return;
    }
    CRect client;
    GetClientRect(&client);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.Width(), client.Height());
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    // Start from what the owner drew under the strip, so that without its
    // skin the strip still sits on the owner's face.
    BitBlt(mem, 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
    if (m_pSkinManager) m_pSkinManager->Draw(mem, nullptr);

    // Both pictures come from their files at every paint: the skin folder is
    // shared with the sibling programs and may change under us.
    CImageObject icon;
    if (icon.Load(IconPath(m_nOutputState, m_bPressed))) icon.DrawTransparent(mem, 0, 0);
    DrawVolume(mem, client, wq::device::ClampStoredLevel(ReadFile(u"Volume", 9)));

    BitBlt(dc, 0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    EndPaint(&ps);
}

// 100: "1" at x 30, "0" at 37 and 44; 10..99: tens at 33, ones at 41;
// 0..9: the digit at 36. A ones digit 0 draws as "0".
void CTaskbarWnd::DrawVolume(HDC dc, const CRect& client, int level) const {
    CImageObject digits;
    if (!digits.Load(kDigitsPath)) return;
    const int y = client.top + kDigitTop;
    auto glyph = [&](int digit, int x) {
        digits.DrawTransparentPart(dc, x, y, kDigitWidth, kDigitHeight, kDigitWidth * digit, 0,
                                   kDigitWidth, kDigitHeight);
    };
    const int v = DisplayedVolume(level);
    if (v == 100) {
        glyph(1, 30);
        glyph(0, 37);
        glyph(0, 44);
    } else if (v >= 10) {
        glyph(v / 10, 33);
        glyph(v % 10, 41);
    } else {
        glyph(v, 36);
    }
}

void CTaskbarWnd::OnLButtonDown(UINT nFlags, CPoint point) {
    if (!m_bCreated) {
        CWnd::OnLButtonDown(nFlags, point);
        return;
    }
    m_pSkinManager->OnLButtonDown(point);
    m_bPressed = TRUE;
    InvalidateStrip();
    SetCapture();
}

void CTaskbarWnd::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bCreated) {
        CWnd::OnLButtonUp(nFlags, point);
        return;
    }
    m_pSkinManager->OnLButtonUp(point);
    m_bPressed = FALSE;
    InvalidateStrip();
    ::ReleaseCapture();
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point)) return;
    CCommon::PlayBtnSound();
    // Another program's "WQVol" answers within the desktop bus's send
    // timeout or not at all; either way this returns.
    if (HWND volume = ::FindWindow(nullptr, u"WQVol"))
        ::SendMessage(volume, RegisterWindowMessage(u"WQ:MSG:M_VOLUME_SHOW"), 1, 0);
}

void CTaskbarWnd::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bCreated) {
        CWnd::OnMouseMove(nFlags, point);
        return;
    }
    m_pSkinManager->OnMouseMove(point);
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point)) {
        m_bPressed = FALSE;
        InvalidateStrip();
        ::ReleaseCapture();
    }
}

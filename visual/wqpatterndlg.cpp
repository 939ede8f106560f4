#include "visual/wqpatterndlg.h"

#include "platform/device/common.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/app.h"
#include "visual/spectrum.h"

namespace {

// This window's own copies of the messages it handles.
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
UINT s_msgAudioUpdate = RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE");

constexpr WPARAM kCloseKey = 128;

struct Pictures {
    const char16_t* selected;
    const char16_t* plain;
};
constexpr Pictures kPictures[3] = {
    {u"\\img\\basic_A_bg.JPG", u"\\img\\basic_N_bg.JPG"},
    {u"\\img\\symmetric_A_bg.JPG", u"\\img\\symmetric_N_bg.JPG"},
    {u"\\img\\wave_A_bg.JPG", u"\\img\\wave_N_bg.JPG"},
};

}  // namespace

BEGIN_MESSAGE_MAP(CWQPatternDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_CLOSE()
    ON_COMMAND(IDC_PAT_BASIC, OnBtnBasic)
    ON_COMMAND(IDC_PAT_SYMMETRIC, OnBtnSymmetric)
    ON_COMMAND(IDC_PAT_WAVE, OnBtnWave)
    ON_COMMAND(IDC_PAT_DEFAULT, OnBtnDefault)
    ON_COMMAND(IDC_PAT_EQ, OnBtnClose)
    ON_COMMAND(IDC_PAT_EXIT, OnBtnClose)
    ON_COMMAND(IDC_PAT_MODE, OnBtnMode)
    ON_REGISTERED_MESSAGE(s_msgKeyDown, OnKeyDownMsg)
    ON_REGISTERED_MESSAGE(s_msgAudioUpdate, OnAudioUpdate)
END_MESSAGE_MAP()

CWQPatternDlg::CWQPatternDlg(CWnd* pParent) : CDialog(IDD, pParent) {
    RegisterPatternDialogResource();
}

CWQPatternDlg::~CWQPatternDlg() {
    FreeSkin();
}

const char16_t* CWQPatternDlg::ButtonPicture(int pattern, BOOL selected) {
    if (pattern < 0 || pattern >= 3) return nullptr;
    return selected ? kPictures[pattern].selected : kPictures[pattern].plain;
}

BOOL CWQPatternDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(u"WQPATTERN");
    m_bSkinReady = FALSE;
    m_pSkinManager = new CSkinManager(this);
    if (!m_pSkinManager->Load(kTemplatePath)) {
        // No face and no pen; the close key still closes the window.
        Dbg(u"CWQPatternDlg: the skin template %s could not be loaded", kTemplatePath);
        FreeSkin();
        return FALSE;
    }
    m_wndTaskbar.Create(u"STATIC", u"taskbar", WS_CHILD | WS_VISIBLE, CRect(), this, 0);
    DWORD stored = 0;
    m_nSelPatten = CCommon::ReadINIFile(u"WQAUDIO", u"PATTERN", REG_DWORD, &stored)
                       ? static_cast<int>(stored)
                       : PATTERN_BASIC;
    SetPatternButton(m_nSelPatten);
    m_bSkinReady = TRUE;
    return TRUE;
}

BOOL CWQPatternDlg::DestroyWindow() {
    // An EndDialog from outside (the player closing) ends the dialog without
    // WM_CLOSE: the skin goes here then.
    FreeSkin();
    return CDialog::DestroyWindow();
}

void CWQPatternDlg::FreeSkin() {
    m_bSkinReady = FALSE;
    delete m_pSkinManager;
    m_pSkinManager = nullptr;
}

void CWQPatternDlg::SelectPattern(int n) {
    m_nSelPatten = n;
    // Sent, so the player has switched before the value is stored.
    if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd && main != this)
        main->SendMessage(RegisterWindowMessage(u"WQ:MSG:M_AUDIO_PATTERN"), 1, n);
    DWORD value = static_cast<DWORD>(n);
    CCommon::WriteINIFile(u"WQAUDIO", u"PATTERN", REG_DWORD, &value);
    SetPatternButton(n);
}

void CWQPatternDlg::SetPatternButton(int n) {
    if (m_pSkinManager) {
        for (int i = 0; i < 3; ++i) {
            if (CSkinButton* button = m_pSkinManager->GetButton(IDC_PAT_BASIC + i))
                button->SetSkinBitmap(ButtonPicture(i, i == n), 0);
        }
    }
    if (!m_hWnd) return;
    Invalidate(FALSE);
    UpdateWindow();
}

void CWQPatternDlg::OnBtnBasic() {
    SelectPattern(PATTERN_BASIC);
}
void CWQPatternDlg::OnBtnSymmetric() {
    SelectPattern(PATTERN_SYMMETRIC);
}
void CWQPatternDlg::OnBtnWave() {
    SelectPattern(PATTERN_WAVE);
}
void CWQPatternDlg::OnBtnDefault() {
    SelectPattern(PATTERN_BASIC);
}

void CWQPatternDlg::OnBtnClose() {
    PostMessage(WM_CLOSE, 0, 0);
}

void CWQPatternDlg::OnBtnMode() {
    if (HWND launcher = ::FindWindow(nullptr, u"WQMain"))
        ::SendMessage(launcher, RegisterWindowMessage(u"WQ:MSG:M_ON_MODE"), 0, 0);
}

void CWQPatternDlg::OnClose() {
    FreeSkin();
    CDialog::OnClose();  // posts IDCANCEL, which ends the dialog
}

LRESULT CWQPatternDlg::OnKeyDownMsg(WPARAM wParam, LPARAM) {
    if (wParam == kCloseKey) SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PAT_EXIT, 0), 0);
    return 1;
}

LRESULT CWQPatternDlg::OnAudioUpdate(WPARAM, LPARAM) {
    if (m_wndTaskbar.m_hWnd) m_wndTaskbar.RefreshOutput();
    return 1;
}

void CWQPatternDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (m_pSkinManager) m_pSkinManager->Draw(dc, nullptr);
    EndPaint(&ps);
}

// The skin paints the whole face.
BOOL CWQPatternDlg::OnEraseBkgnd(HDC) {
    return TRUE;
}

void CWQPatternDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnLButtonDown(point);
    CDialog::OnLButtonDown(nFlags, point);
}

void CWQPatternDlg::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnLButtonUp(point);
    CDialog::OnLButtonUp(nFlags, point);
}

void CWQPatternDlg::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnMouseMove(point);
    CDialog::OnMouseMove(nFlags, point);
}

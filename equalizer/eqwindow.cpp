// The equalizer window: opening, the skin and its read-outs, painting, the
// commands of its buttons and sliders, and closing.
#include <algorithm>

#include "equalizer/wqequalizerdlg.h"
#include "graphics/scrolltext.h"
#include "platform/device/common.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skinmanager.h"
#include "platform/skin/skinslider.h"

namespace {

// This window's own copies of the messages it handles.
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
UINT s_msgAudioUpdate = RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE");

constexpr WPARAM kCloseKey = 128;
constexpr UINT kSkinCodeSet = 100, kSkinCodeDrag = 200;
constexpr int kMaxGain = 24;
constexpr int kLabelFontHeight = 18;
constexpr COLORREF kWhite = RGB(255, 255, 255);

constexpr const char16_t* kPictureFolder = u"\\NAND Flash\\skin\\WQAudio\\img\\";
constexpr const char16_t* kFrequencyPictures[5][4] = {
    {u"80.bmp", u"105.bmp", u"135.bmp", u"175.bmp"},
    {u"230.bmp", u"300.bmp", u"385.bmp", u"500.bmp"},
    {u"650.bmp", u"850.bmp", u"1_1.bmp", u"1_4.bmp"},
    {u"1_8.bmp", u"2_4.bmp", u"3_2.bmp", u"4_1.bmp"},
    {u"5_3.bmp", u"6_9.bmp", u"9.bmp", u"11_7.bmp"},
};
// Wide-band "V" faces, both pen states.
constexpr const char16_t* kWideOn = u"\\img\\EQcekon_A_bt.bmp";
constexpr const char16_t* kWideOff = u"\\img\\EQceknon_N_bt.bmp";

// A step `delta` away from `step` on a ring of `count` steps; a step outside
// the ring counts as the end the arrow comes from.
int Wrap(int step, int delta, int count) {
    if (step < 0 || step >= count) step = delta > 0 ? -1 : count;
    return ((step + delta) % count + count) % count;
}

int GainOfPos(int pos) {
    return std::clamp((100 - pos) / 4, 0, kMaxGain);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWQEqualizerDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_MEASUREITEM()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_WM_CLOSE()
    ON_COMMAND(IDC_EQ_PWR, OnBtnPwr)
    ON_COMMAND_RANGE(IDC_EQ_FREQ1_DOWN, IDC_EQ_FREQ5_UP, OnBtnFreq)
    ON_COMMAND_RANGE(IDC_EQ_WIDE2, IDC_EQ_WIDE4, OnBtnWide)
    ON_COMMAND(IDC_EQ_3D_DOWN, OnBtn3DDown)
    ON_COMMAND(IDC_EQ_3D_UP, OnBtn3DUp)
    ON_COMMAND(IDC_EQ_RESET, OnBtnReset)
    ON_COMMAND(IDC_EQ_MODE, OnBtnMode)
    ON_COMMAND(IDC_EQ_PATTERN, OnBtnPattern)
    ON_MESSAGE(WM_SHOW_PATTERN, OnShowPattern)
    ON_COMMAND_RANGE(IDC_EQ_DB1_UP, IDC_EQ_DB5_DOWN, OnEqDBButton)
    ON_CONTROL_RANGE(kSkinCodeSet, IDC_EQ_GAIN1, IDC_EQ_GAIN5, OnSliderSet)
    ON_CONTROL_RANGE(kSkinCodeDrag, IDC_EQ_GAIN1, IDC_EQ_GAIN5, OnSliderDrag)
    ON_REGISTERED_MESSAGE(s_msgKeyDown, OnKeyDownMsg)
    ON_REGISTERED_MESSAGE(s_msgAudioUpdate, OnAudioUpdate)
END_MESSAGE_MAP()

CWQEqualizerDlg::CWQEqualizerDlg(CWnd* pParent) : CDialog(IDD, pParent), m_dlgPattern(this) {
    RegisterEqualizerDialogResource();
}

CWQEqualizerDlg::~CWQEqualizerDlg() {
    FreeSkin();
}

const char16_t* CWQEqualizerDlg::FrequencyPicture(int band, int step) {
    if (band < 0 || band >= kBands || step < 0 || step >= 4) return nullptr;
    return kFrequencyPictures[band][step];
}

// ---- the display side of the model --------------------------------------------------------

void CWQEqualizerDlg::SetBandFreq(int band, int step) {
    if (band < 0 || band >= kBands) return;
    m_nBandFreq[band] = step;
    DrawBandPicture(band);
}

void CWQEqualizerDlg::SetBandGain(int band, int step) {
    if (band < 0 || band >= kBands || step < 0 || step > kMaxGain) return;
    m_nBandGain[band] = step;
    if (m_pValueLabel[band]) m_pValueLabel[band]->SetText(GainText(step));
}

void CWQEqualizerDlg::SetUseWideBand(int band, int flag) {
    if (band < 1 || band > 3) return;
    m_bUseWideBand[band] = flag;
    if (!m_pSkinManager) return;
    if (CSkinButton* button = m_pSkinManager->GetButton(IDC_EQ_WIDE2 + band - 1)) {
        const char16_t* face = flag ? kWideOn : kWideOff;
        button->SetSkinBitmap(face, 0);
        button->SetSkinBitmap(face, 1);
    }
}

void CWQEqualizerDlg::Set3DLevel(int step) {
    m_n3DLevel = step;
    if (m_p3DLabel) m_p3DLabel->SetText(Level3DText(step));
}

CRect CWQEqualizerDlg::CustomRect(UINT id) const {
    CRect rc;
    if (m_pSkinManager) {
        if (CSkinCustom* area = m_pSkinManager->GetCustom(id)) rc = area->GetRect();
    }
    return rc;
}

void CWQEqualizerDlg::DrawBandPicture(int band) {
    m_imgBand[band].Release();
    const char16_t* name = FrequencyPicture(band, m_nBandFreq[band]);
    if (!name) return;  // a step without a picture leaves the area as the skin drew it
    CString path(kPictureFolder);
    path += name;
    if (!m_imgBand[band].Load(path) || !m_hWnd || !m_pSkinManager) return;
    const CRect area = CustomRect(IDC_EQ_FREQ_AREA + band);
    if (HDC dc = GetDC()) {
        m_imgBand[band].Draw(dc, area.left, area.top);
        ReleaseDC(dc);
    }
}

void CWQEqualizerDlg::SetSliderPos(int band, int pos) {
    if (m_pSlider[band]) m_pSlider[band]->SetPos(pos);
}

// ---- opening ----------------------------------------------------------------------------

BOOL CWQEqualizerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(u"WQEqualizer");
    MoveWindow(0, 0, 480, 234, TRUE);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    CCommon::SetInterfaceEnable(1);
    SetTimer(TIMER_CREATE_SKIN, 1, nullptr);
    return TRUE;
}

void CWQEqualizerDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == TIMER_CREATE_SKIN) {
        KillTimer(TIMER_CREATE_SKIN);
        CreateSkin();
    } else if (nIDEvent == TIMER_PLACE_LABELS) {
        KillTimer(TIMER_PLACE_LABELS);
        PlaceLabels();
    } else {
        CDialog::OnTimer(nIDEvent);
    }
}

void CWQEqualizerDlg::CreateSkin() {
    FreeSkin();
    m_pSkinManager = new CSkinManager(this);
    if (!m_pSkinManager->Load(kTemplatePath)) {
        // The window keeps its fallback picture and ignores the pen; the
        // close key still closes it.
        Dbg(u"CWQEqualizerDlg: the skin template %s could not be loaded", kTemplatePath);
        FreeSkin();
        return;
    }
    m_bSkinReady = TRUE;
    Invalidate(FALSE);  // the whole face changes

    auto makeLabel = [this](UINT id) {
        auto* label = new CScrollTextWnd();
        if (!label->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(), this, id)) {
            Dbg(u"CWQEqualizerDlg: read-out %u could not be created", id);
            delete label;
            return static_cast<CScrollTextWnd*>(nullptr);
        }
        return label;
    };
    for (int b = 0; b < kBands; ++b) {
        m_pSlider[b] = m_pSkinManager->GetSlider(IDC_EQ_GAIN1 + b);
        m_pValueLabel[b] = makeLabel(IDC_EQ_GAIN_LABEL + b);
        if (!m_pValueLabel[b]) return;
        m_pValueLabel[b]->SetTextColor(kWhite);
        m_pValueLabel[b]->SetFontHeight(kLabelFontHeight);
        for (UINT id : {IDC_EQ_FREQ1_DOWN + 2 * b, IDC_EQ_FREQ1_DOWN + 2 * b + 1}) {
            if (CSkinButton* arrow = m_pSkinManager->GetButton(id)) arrow->SetAutoRepeat(TRUE);
        }
        m_nBandFreq[b] = 0;
        m_nBandGain[b] = 0;
        m_bUseWideBand[b] = 0;
    }
    m_p3DLabel = makeLabel(IDC_EQ_3D_LABEL);
    if (!m_p3DLabel) return;
    m_p3DLabel->SetFontHeight(kLabelFontHeight);
    m_p3DLabel->EnableScroll(FALSE);
    m_wndTaskbar.Create(u"STATIC", u"taskbar", WS_CHILD | WS_VISIBLE, CRect(), this, 0);
    m_p3DLabel->SetTextColor(kWhite);
    for (UINT id : {IDC_EQ_3D_DOWN, IDC_EQ_3D_UP}) {
        if (CSkinButton* arrow = m_pSkinManager->GetButton(id)) arrow->SetAutoRepeat(TRUE);
    }
    m_n3DLevel = 0;
    LoadEqSettings();
    SetTimer(TIMER_PLACE_LABELS, 1, nullptr);
}

void CWQEqualizerDlg::PlaceLabels() {
    UpdateWindow();  // the skin is on screen before the read-outs copy it
    HDC dc = GetDC();
    if (!dc) return;
    auto place = [&](CScrollTextWnd* label, UINT id) {
        if (!label) return;
        const CRect rc = CustomRect(id);
        label->Create(dc, rc);
        label->MoveWindow(&rc, TRUE);
    };
    for (int b = 0; b < kBands; ++b) place(m_pValueLabel[b], IDC_EQ_GAIN_LABEL + b);
    place(m_p3DLabel, IDC_EQ_3D_LABEL);
    ReleaseDC(dc);
}

// ---- painting and the pen ---------------------------------------------------------------

void CWQEqualizerDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (m_pSkinManager) {
        m_pSkinManager->Draw(dc, nullptr);
        for (int b = 0; b < kBands; ++b) {
            if (!m_imgBand[b].IsLoaded()) continue;
            const CRect area = CustomRect(IDC_EQ_FREQ_AREA + b);
            m_imgBand[b].Draw(dc, area.left, area.top);
        }
    } else {
        CImageObject face;
        if (face.Load(kFallbackPicture)) face.Draw(dc, 0, 0);
    }
    EndPaint(&ps);
}

// The skin (or the fallback picture) paints the whole face.
BOOL CWQEqualizerDlg::OnEraseBkgnd(HDC) {
    return TRUE;
}

void CWQEqualizerDlg::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
    if (m_pSkinManager) m_pSkinManager->MeasureItem(nIDCtl, lpMeasureItemStruct);
    CDialog::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
}

void CWQEqualizerDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnLButtonDown(point);
    CDialog::OnLButtonDown(nFlags, point);
}

void CWQEqualizerDlg::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnLButtonUp(point);
    CDialog::OnLButtonUp(nFlags, point);
}

void CWQEqualizerDlg::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bSkinReady || !m_pSkinManager) return;
    m_pSkinManager->OnMouseMove(point);
    CDialog::OnMouseMove(nFlags, point);
}

// ---- commands -----------------------------------------------------------------------------

void CWQEqualizerDlg::OnBtnFreq(UINT nID) {
    const int band = static_cast<int>(nID - IDC_EQ_FREQ1_DOWN) / 2;
    const bool up = (nID - IDC_EQ_FREQ1_DOWN) % 2 == 1;
    SetBandFreq(band, Wrap(m_nBandFreq[band], up ? 1 : -1, 4));
    StoreAndApply(EQ_HZ_BAND1 << band);
}

void CWQEqualizerDlg::OnBtnWide(UINT nID) {
    const int band = static_cast<int>(nID - IDC_EQ_WIDE2) + 1;
    // Any non-zero flag is on, so one press always turns it off.
    SetUseWideBand(band, GetUseWideBand(band) ? 0 : 1);
    StoreAndApply(EQ_WIDE_BAND2 << (band - 1));
}

void CWQEqualizerDlg::OnBtn3DDown() {
    Set3DLevel(Wrap(m_n3DLevel, -1, 16));
    StoreAndApply(EQ_3D);
}

void CWQEqualizerDlg::OnBtn3DUp() {
    Set3DLevel(Wrap(m_n3DLevel, 1, 16));
    StoreAndApply(EQ_3D);
}

int CWQEqualizerDlg::GainFromSlider(int band, int pos) {
    SetBandGain(band, GainOfPos(pos));
    // Positions between two steps (and 0, above the top step) snap to the
    // step that was stored.
    SetSliderPos(band, SliderPos(m_nBandGain[band]));
    return m_nBandGain[band];
}

void CWQEqualizerDlg::OnSliderSet(UINT nID) {
    const int band = static_cast<int>(nID - IDC_EQ_GAIN1);
    if (!m_pSlider[band]) return;
    GainFromSlider(band, m_pSlider[band]->GetPos());
    StoreAndApply(EQ_DB_BAND1 << band);
}

void CWQEqualizerDlg::OnSliderDrag(UINT nID) {
    const int band = static_cast<int>(nID - IDC_EQ_GAIN1);
    // The read-out follows the thumb; nothing is stored until it is set.
    if (m_pSlider[band]) SetBandGain(band, GainOfPos(m_pSlider[band]->GetPos()));
}

void CWQEqualizerDlg::OnEqDBButton(UINT nID) {
    const int band = static_cast<int>(nID - IDC_EQ_DB1_UP) / 2;
    if ((nID - IDC_EQ_DB1_UP) % 2 == 0)
        OnEqDBUp(band);
    else
        OnEqDBDown(band);
}

void CWQEqualizerDlg::OnEqDBUp(int band) {
    const int pos = SliderPos(std::min(m_nBandGain[band] + 1, kMaxGain));
    SetSliderPos(band, pos);
    GainFromSlider(band, m_pSlider[band] ? m_pSlider[band]->GetPos() : pos);
    StoreAndApply(EQ_DB_BAND1 << band);
}

void CWQEqualizerDlg::OnEqDBDown(int band) {
    const int pos = SliderPos(std::max(m_nBandGain[band] - 1, 0));
    SetSliderPos(band, pos);
    GainFromSlider(band, m_pSlider[band] ? m_pSlider[band]->GetPos() : pos);
    StoreAndApply(EQ_DB_BAND1 << band);
}

void CWQEqualizerDlg::OnBtnReset() {
    ResetPreset();
}

void CWQEqualizerDlg::OnBtnPattern() {
    PostMessage(WM_SHOW_PATTERN, 0, 0);
}

LRESULT CWQEqualizerDlg::OnShowPattern(WPARAM, LPARAM) {
    if (IsWindowEnabled() && !m_dlgPattern.m_hWnd) m_dlgPattern.DoModal();
    return 0;
}

void CWQEqualizerDlg::OnBtnMode() {
    if (HWND launcher = ::FindWindow(nullptr, u"WQMain"))
        ::SendMessage(launcher, RegisterWindowMessage(u"WQ:MSG:M_ON_MODE"), 0, 0);
}

void CWQEqualizerDlg::OnBtnPwr() {
    PostMessage(WM_CLOSE, 0, 0);
}

LRESULT CWQEqualizerDlg::OnKeyDownMsg(WPARAM wParam, LPARAM) {
    if (wParam == kCloseKey) SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EQ_PWR, 0), 0);
    return 1;
}

LRESULT CWQEqualizerDlg::OnAudioUpdate(WPARAM, LPARAM) {
    if (m_wndTaskbar.m_hWnd) m_wndTaskbar.RefreshOutput();
    return 1;
}

// ---- closing ------------------------------------------------------------------------------

void CWQEqualizerDlg::OnClose() {
    FreeSkin();
    CDialog::OnClose();  // posts IDCANCEL, which ends the dialog
}

BOOL CWQEqualizerDlg::DestroyWindow() {
    for (CImageObject& picture : m_imgBand) picture.Release();
    // An EndDialog from outside (the player closing) ends the dialog without
    // WM_CLOSE: the skin and the read-outs go here then.
    FreeSkin();
    return CDialog::DestroyWindow();
}

void CWQEqualizerDlg::FreeSkin() {
    m_bSkinReady = FALSE;
    for (int b = 0; b < kBands; ++b) {
        m_pSlider[b] = nullptr;
        delete m_pValueLabel[b];
        m_pValueLabel[b] = nullptr;
    }
    delete m_p3DLabel;
    m_p3DLabel = nullptr;
    delete m_pSkinManager;
    m_pSkinManager = nullptr;
}

// The player window itself: the skin and its controls, the information
// controls on their skin areas, painting, the button faces and the forwarding
// of touches to the skin.
#include <cstdlib>

#include "graphics/scrolltext.h"
#include "library/explorer.h"
#include "platform/device/common.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skincontrol.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinmanager.h"
#include "platform/skin/skinslider.h"
#include "player/wqaudiodlg.h"
#include "trackinfo/playtimewnd.h"
#include "trackinfo/trackinfownd.h"

namespace {

constexpr const char16_t* kTemplatePath = u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL";
constexpr const char16_t* kPresetFolder = u"\\NAND Flash\\skin\\WQAudio\\img\\";

// Preset pictures by equalizer preset number.
constexpr const char16_t* kPresetPictures[11] = {
    u"EQ_NORMAL.BMP",  u"EQ_ROCK.BMP",  u"EQ_POP.BMP",   u"EQ_JAZZ.BMP",
    u"EQ_CLASSIC.BMP", u"EQ_DANCE.BMP", u"EQ_HEAVY.BMP", u"EQ_DISCO.BMP",
    u"EQ_SOFT.BMP",    u"EQ_LIVE.BMP",  u"EQ_HALL.BMP",
};

struct Face {
    const char16_t* normal;
    const char16_t* pressed;
};
constexpr Face kPlayFace = {u"\\IMG\\play_N_bt.bmp", u"\\IMG\\play_A_bt.bmp"};
constexpr Face kPauseFace = {u"\\IMG\\pause_N_bt.bmp", u"\\IMG\\pause_A_bt.bmp"};
constexpr Face kRandomFaces[2] = {{u"\\IMG\\turn_N_bt.bmp", u"\\IMG\\turn_A_bt.bmp"},
                                  {u"\\IMG\\random_N_bt.bmp", u"\\IMG\\random_A_bt.bmp"}};
constexpr Face kRepeatFaces[3] = {{u"\\IMG\\all_N_bt.bmp", u"\\IMG\\all_A_bt.bmp"},
                                  {u"\\IMG\\one_N_bt.bmp", u"\\IMG\\one_A_bt.bmp"},
                                  {u"\\IMG\\nonrep_N_bt.bmp", u"\\IMG\\nonrep_A_bt.bmp"}};

void SetFace(CSkinManager* manager, UINT id, const Face& face) {
    if (!manager) return;
    if (CSkinButton* button = manager->GetButton(id)) {
        button->SetSkinBitmap(face.normal, 0);
        button->SetSkinBitmap(face.pressed, 1);
    }
}

CRect CustomRect(CSkinManager* manager, UINT id) {
    CRect rc;
    if (manager) {
        if (CSkinCustom* area = manager->GetCustom(id)) rc = area->GetRect();
    }
    return rc;
}

}  // namespace

BOOL CWQAudioDlg::CreateSkin() {
    m_pSkinManager = new CSkinManager(this);
    if (!m_pSkinManager->Load(kTemplatePath)) {
        Dbg(u"CreateSkin: the skin template %s could not be loaded; the window runs without skin",
            kTemplatePath);
        return 0;
    }
    m_bSkinLoaded = 1;
    // The face changes completely: the next update paints the whole skin, so
    // that the information controls capture the skin and not a blank window.
    Invalidate(FALSE);

    m_pSkinLBMP3Title = m_pSkinManager->GetList(IDC_LST_MP3TITLE);
    if (m_pSkinLBMP3Title) {
        m_pSkinLBMP3Title->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontList), TRUE);
        m_pSkinLBMP3Title->SetMargin(11, 10);
    }
    m_pSliderPos = m_pSkinManager->GetSlider(IDC_SLIDER_PLAYPOS);
    m_pSliderList = m_pSkinManager->GetSlider(IDC_SLIDER_LIST);
    if (CSkinButton* up = m_pSkinManager->GetButton(IDC_BTN_LISTUP)) up->SetAutoRepeat(TRUE);
    if (CSkinButton* down = m_pSkinManager->GetButton(IDC_BTN_LISTDOWN)) down->SetAutoRepeat(TRUE);
    m_rcSpectrum = CustomRect(m_pSkinManager, IDC_CUSTOM_SPECTRUM);

    // The four information controls, placed on their areas at timer 303.
    const CRect empty;
    auto create = [&](CWnd* wnd, UINT id) {
        if (!wnd->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, empty, this, id)) {
            Dbg(u"CreateSkin: control %u could not be created", id);
            return false;
        }
        return true;
    };
    m_pTimeWnd = new CPlayTimeWnd();
    if (!create(m_pTimeWnd, IDC_CUSTOM_TIME)) {
        delete m_pTimeWnd;
        m_pTimeWnd = nullptr;
    }
    m_pInfoWnd = new CTrackInfoWnd();
    if (!create(m_pInfoWnd, IDC_CUSTOM_INFO)) {
        delete m_pInfoWnd;
        m_pInfoWnd = nullptr;
    }
    m_pTitleWnd = new CScrollTextWnd();
    if (!create(m_pTitleWnd, IDC_CUSTOM_TITLE)) {
        delete m_pTitleWnd;
        m_pTitleWnd = nullptr;
    }
    m_pPathWnd = new CScrollTextWnd();
    if (!create(m_pPathWnd, IDC_CUSTOM_PATH)) {
        delete m_pPathWnd;
        m_pPathWnd = nullptr;
    } else {
        m_pPathWnd->SetTextColor(RGB(255, 255, 255));
    }

    int pattern = 0;
    if (CCommon::ReadINIFile(u"WQAUDIO", u"PATTERN", REG_DWORD, &pattern))
        m_nPattern = pattern;
    else
        m_nPattern = 0;

    m_pEqArea = m_pSkinManager->GetCustom(IDC_CUSTOM_EQ);
    if (m_pEqArea) m_rcEqImage = m_pEqArea->GetRect();

    m_wndTaskbar.Create(u"STATIC", u"taskbar", WS_CHILD | WS_VISIBLE, empty, this, 0);

    m_pExplorer = new CExplorer();
    m_pExplorer->SetListBox(m_pSkinLBMP3Title);
    m_pExplorer->SetScrollSlider(m_pSliderList);
    m_pExplorer->SetPathStatic(m_pPathWnd);

    std::srand(GetTickCount());
    return 1;
}

void CWQAudioDlg::LayoutInfoControls() {
    HDC dc = ::GetDC(m_hWnd);
    if (!dc) return;
    if (m_pTitleWnd) {
        const CRect rc = CustomRect(m_pSkinManager, IDC_CUSTOM_TITLE);
        m_pTitleWnd->CaptureBackground(dc, rc);
        m_pTitleWnd->MoveWindow(&rc, TRUE);
    }
    if (m_pPathWnd) {
        const CRect rc = CustomRect(m_pSkinManager, IDC_CUSTOM_PATH);
        m_pPathWnd->CaptureBackground(dc, rc);
        m_pPathWnd->MoveWindow(&rc, TRUE);
    }
    if (m_pInfoWnd) {
        const CRect rc = CustomRect(m_pSkinManager, IDC_CUSTOM_INFO);
        m_pInfoWnd->CaptureBackground(dc, rc);
        m_pInfoWnd->Compose();
        m_pInfoWnd->MoveWindow(&rc, TRUE);
    }
    if (m_pTimeWnd) {
        const CRect rc = CustomRect(m_pSkinManager, IDC_CUSTOM_TIME);
        m_pTimeWnd->CaptureBackground(dc, rc);
        m_pTimeWnd->Compose();
        m_pTimeWnd->MoveWindow(&rc, TRUE);
    }
    m_spectrum.CaptureBackground(dc, CustomRect(m_pSkinManager, IDC_CUSTOM_SPECTRUM));
    ::ReleaseDC(m_hWnd, dc);
}

void CWQAudioDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    if (m_pSkinManager) {
        m_pSkinManager->Draw(dc, nullptr);
        if (m_imgEqualizer.IsLoaded()) m_imgEqualizer.Draw(dc, m_rcEqImage.left, m_rcEqImage.top);
    }
    EndPaint(&ps);
}

// The skin paints the whole face; erasing first would only flicker.
BOOL CWQAudioDlg::OnEraseBkgnd(HDC) {
    return 1;
}

void CWQAudioDlg::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
    if (m_pSkinManager) m_pSkinManager->MeasureItem(nIDCtl, lpMeasureItemStruct);
    CDialog::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
}

void CWQAudioDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    if (!m_bSkinLoaded) return;
    if (m_pSkinManager) m_pSkinManager->OnLButtonDown(point);
    // The preset badge is no skin control: a tap on it (down and up inside)
    // opens the equalizer window, unless a control over it took the pen.
    m_bEqAreaDown = m_rcEqImage.PtInRect(point) && ::GetCapture() != m_hWnd;
    CDialog::OnLButtonDown(nFlags, point);
}

void CWQAudioDlg::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bSkinLoaded) return;
    if (m_pSkinManager) m_pSkinManager->OnLButtonUp(point);
    if (m_bEqAreaDown && m_rcEqImage.PtInRect(point))
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_OPEN_EQUALIZER, 0), 0);
    m_bEqAreaDown = FALSE;
    CDialog::OnLButtonUp(nFlags, point);
}

void CWQAudioDlg::OnMouseMove(UINT nFlags, CPoint point) {
    if (!m_bSkinLoaded) return;
    if (m_pSkinManager) m_pSkinManager->OnMouseMove(point);
    CDialog::OnMouseMove(nFlags, point);
}

void CWQAudioDlg::SetSkinBtnRandom() {
    if (m_nPlayMethod == 1) ResetRandomList(TRUE);
    SetFace(m_pSkinManager, IDC_BTN_RANDOM, kRandomFaces[m_nPlayMethod == 1 ? 1 : 0]);
    RedrawPlayer();
}

void CWQAudioDlg::SetSkinBtnRepeat() {
    const int mode = m_nRepeatMethod >= 0 && m_nRepeatMethod < 3 ? m_nRepeatMethod : 0;
    SetFace(m_pSkinManager, IDC_BTN_REPEAT, kRepeatFaces[mode]);
    RedrawPlayer();
}

void CWQAudioDlg::SetSkinBtnPlay(BOOL bPlaying) {
    SetFace(m_pSkinManager, IDC_BTN_PLAY, bPlaying ? kPauseFace : kPlayFace);
}

void CWQAudioDlg::SetSkinBtnEqualizer() {
    if (m_nEqualizer >= 0 && m_nEqualizer < 11) {
        CString path(kPresetFolder);
        path += kPresetPictures[m_nEqualizer];
        m_imgEqualizer.Load(path);
    }
    if (!m_hWnd) return;
    const CRect rc = CustomRect(m_pSkinManager, IDC_CUSTOM_EQ);
    if (m_imgEqualizer.IsLoaded()) {
        if (HDC dc = ::GetDC(m_hWnd)) {
            m_imgEqualizer.Draw(dc, rc.left, rc.top);
            ::ReleaseDC(m_hWnd, dc);
        }
    }
    // Also after a failed load: the repaint leaves the area without a picture.
    InvalidateRect(&rc, FALSE);
}

void CWQAudioDlg::RedrawPlayer() {
    if (!m_hWnd) return;
    Invalidate(FALSE);
    UpdateWindow();
}

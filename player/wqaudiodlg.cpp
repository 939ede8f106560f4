// Construction and the message map of the player window.
#include "player/wqaudiodlg.h"

#include "visual/guiwaker.h"
#include "visual/mediaclock.h"

CWQAudioDlg::CWQAudioDlg(CWnd* pParent)
    : CDialog(IDD_WQAUDIO_DIALOG, pParent),
      m_dlgPattern(this),
      m_spectrum(this),
      m_dlgEqualizer(this) {
    RegisterPlayerDialogResource();
    m_pSpectrumFeed =
        std::make_unique<CSpectrumFeed>(this, &m_spectrum, &GuiSpectrumWaker(), &MediaPlayClock());
}

CWQAudioDlg::~CWQAudioDlg() {
    // The graph goes first: once it is released no streaming thread calls
    // OnSoundSamples, and the feed can go.
    CloseInterface();
    Uninitialize();
    if (m_fontList) {
        DeleteObject(m_fontList);
        m_fontList = nullptr;
    }
}

namespace {
PlayerObserver& Observer() {
    static PlayerObserver observer;
    return observer;
}
}  // namespace

void SetPlayerObserver(PlayerObserver observer) {
    Observer() = std::move(observer);
}

void CWQAudioDlg::NotifyObserver(PlayerEvent event) {
    if (Observer()) Observer()(*this, event);
}

LRESULT CWQAudioDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
    NotifyObserver(PlayerEvent::MessageHandled);
    return result;
}

BEGIN_MESSAGE_MAP(CWQAudioDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_MEASUREITEM()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_ACTIVATE()
    ON_WM_TIMER()
    ON_WM_CLOSE()
    ON_COMMAND(IDC_BTN_PREV, OnBtnPrev)
    ON_COMMAND(IDC_BTN_STOP, OnBtnStop)
    ON_COMMAND(IDC_BTN_PLAY, OnBtnPlay)
    ON_COMMAND(IDC_BTN_NEXT, OnBtnNext)
    ON_COMMAND(IDC_BTN_RANDOM, OnBtnRandom)
    ON_COMMAND(IDC_BTN_REPEAT, OnBtnRepeat)
    ON_COMMAND(IDC_BTN_EQUALIZER, OnBtnEqualizer)
    ON_COMMAND(IDC_BTN_SETEQ, OnBtnSetEq)
    ON_COMMAND(IDC_OPEN_EQUALIZER, OnOpenEqualizer)
    ON_MESSAGE(WM_SHOW_PATTERN, OnShowPattern)
    ON_COMMAND(IDC_BTN_LISTUP, OnBtnListUp)
    ON_COMMAND(IDC_BTN_LISTDOWN, OnBtnListDown)
    ON_COMMAND(IDC_BTN_CLOSE, OnBtnClose)
    ON_COMMAND(IDC_BTN_NAVI, OnBtnNavi)
    ON_COMMAND(IDC_BTN_MODE, OnBtnMode)
    ON_CONTROL(SKIN_CODE_SET, IDC_LST_MP3TITLE, OnSelChangeLstMp3Title)
    ON_CONTROL(SKIN_CODE_DBLCLK, IDC_LST_MP3TITLE, OnDblClkLstMp3Title)
    ON_CONTROL(SKIN_CODE_SET, IDC_SLIDER_PLAYPOS, OnChangePlayPos)
    ON_CONTROL(SKIN_CODE_DBLCLK, IDC_SLIDER_PLAYPOS, OnTrackPlayPos)
    ON_CONTROL(SKIN_CODE_SET, IDC_SLIDER_LIST, OnChangeListPos)
    ON_REGISTERED_MESSAGE(WM_WQ_KEYDOWN, OnWQMain)
    ON_REGISTERED_MESSAGE(WM_WQ_RUN_STATE, OnRunStateProc)
    ON_REGISTERED_MESSAGE(WM_BMSG_MARLO, OnNaviProc)
    ON_REGISTERED_MESSAGE(WM_WQ_AUDIOUPDATE, OnAudioUpdate)
    ON_REGISTERED_MESSAGE(WM_WQ_AUDIO_PATTERN, OnAudioPatten)
    ON_REGISTERED_MESSAGE(WM_WQ_OPTIONUPDATE, OnOptionUpdate)
END_MESSAGE_MAP()

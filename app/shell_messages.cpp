// The launcher protocol as the player window sees it: the registered messages
// it handles, the storage events behind the launcher's key codes, and the two
// buttons that talk to the launcher.
#include "equalizer/equalizerdlg_res.h"
#include "library/explorer.h"
#include "platform/device/common.h"
#include "player/wqaudiodlg.h"
#include "visual/patterndlg_res.h"

UINT WM_WQ_KEYDOWN = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
UINT WM_WQ_RUN_STATE = RegisterWindowMessage(u"WQ:MSG:M_RUN_STATE");
UINT WM_BMSG_MARLO = RegisterWindowMessage(u"BMSG_MARLO");
UINT WM_WQ_AUDIOUPDATE = RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE");
UINT WM_WQ_AUDIO_PATTERN = RegisterWindowMessage(u"WQ:MSG:M_AUDIO_PATTERN");
UINT WM_WQ_OPTIONUPDATE = RegisterWindowMessage(u"WQ:MSG:OPTIONUPDATE");

namespace {

// Launcher key and storage codes carried by "WQ:MSG:KEYDOWN".
enum : WPARAM {
    KEY_UP = 38,
    KEY_DOWN = 40,
    KEY_USB_IN = 117,
    KEY_USB_OUT = 118,
    KEY_FRONT = 121,
    KEY_PLAY = 126,
    KEY_CLOSE = 128,
    KEY_PAUSE = 129,
    KEY_CARD_IN = 130,
    KEY_CARD_OUT = 131,
};

void PostCloseToMessageBox() {
    if (CWnd* box = CWnd::FindWindow(nullptr, u"WQMessage")) box->PostMessage(WM_CLOSE, 0, 0);
}

}  // namespace

LRESULT SendToWindow(LPCWSTR name, LPCWSTR message, WPARAM wParam, LPARAM lParam) {
    HWND target = ::FindWindow(nullptr, name);
    if (!target) return 0;
    return ::SendMessage(target, RegisterWindowMessage(message), wParam, lParam);
}

BOOL PostToWindow(LPCWSTR name, LPCWSTR message, WPARAM wParam, LPARAM lParam) {
    HWND target = ::FindWindow(nullptr, name);
    if (!target) return FALSE;
    return ::PostMessage(target, RegisterWindowMessage(message), wParam, lParam);
}

LRESULT CWQAudioDlg::OnWQMain(WPARAM wParam, LPARAM) {
    auto command = [this](UINT id) { SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    switch (wParam) {
        case KEY_PLAY:
            command(IDC_BTN_PLAY);
            break;
        case KEY_UP:
            command(m_bActive ? IDC_BTN_LISTUP : IDC_BTN_PREV);
            break;
        case KEY_DOWN:
            command(m_bActive ? IDC_BTN_LISTDOWN : IDC_BTN_NEXT);
            break;
        case KEY_FRONT:
            SetActiveWindow();
            break;
        case KEY_CLOSE:
            if (HWND pattern = ::FindWindow(nullptr, u"WQPATTERN")) {
                ::SendMessage(pattern, WM_COMMAND, MAKEWPARAM(IDC_PAT_EXIT, 0), 0);
            } else if (HWND equalizer = ::FindWindow(nullptr, u"WQEqualizer")) {
                ::SendMessage(equalizer, WM_COMMAND, MAKEWPARAM(IDC_EQ_PWR, 0), 0);
            } else {
                command(IDC_BTN_CLOSE);
            }
            break;
        case KEY_PAUSE:
            OnPauseKey();
            break;
        case KEY_CARD_IN:
        case KEY_CARD_OUT:
        case KEY_USB_IN:
        case KEY_USB_OUT:
            OnStorageEvent(wParam);
            break;
        default:
            break;
    }
    return 1;
}

void CWQAudioDlg::OnStorageEvent(WPARAM wParam) {
    switch (wParam) {
        case KEY_CARD_IN:
            CCommon::SetInterfaceEnable(0);
            if (m_pExplorer && m_pExplorer->IsCardPath()) {
                PostCloseToMessageBox();
                SetTimer(TIMER_CLOSE_MESSAGE, 3000, nullptr);
                SetTimer(TIMER_MSG_INSERTED, 0, nullptr);
                SetTimer(TIMER_SDCARD_DETECT, 2000, nullptr);
            }
            CCommon::SetInterfaceEnable(1);
            break;
        case KEY_CARD_OUT:
            CCommon::SetInterfaceEnable(0);
            if (m_pExplorer && m_pExplorer->IsCardPath()) {
                PostCloseToMessageBox();
                if (m_nPlayState != 2) OnBtnStop();
                SetTimer(TIMER_CLOSE_MESSAGE, 3000, nullptr);
                SetTimer(TIMER_MSG_REMOVED, 0, nullptr);
                ClearDisplay(TRUE);
                SetTimer(TIMER_SDCARD_DETECT, 2000, nullptr);
            }
            CCommon::SetInterfaceEnable(1);
            break;
        case KEY_USB_IN:
            if (m_pExplorer && m_pExplorer->IsRemovableDiskPath()) {
                OnBtnStop();
                SetTimer(TIMER_SDCARD_DETECT, 1500, nullptr);
            }
            break;
        case KEY_USB_OUT:
            if (m_pExplorer && m_pExplorer->IsRemovableDiskPath()) {
                if (m_nPlayState != 2) OnBtnStop();
                ClearDisplay(TRUE);
                SetTimer(TIMER_SDCARD_DETECT, 4500, nullptr);
            }
            break;
        default:
            break;
    }
}

LRESULT CWQAudioDlg::OnRunStateProc(WPARAM wParam, LPARAM) {
    OnRunState(wParam);
    return 1;
}

LRESULT CWQAudioDlg::OnNaviProc(WPARAM wParam, LPARAM lParam) {
    Dbg(u"OnNaviProc %u %d", static_cast<unsigned>(wParam), static_cast<int>(lParam));
    OnNaviGuide(wParam);
    return 1;
}

namespace {

// The strip of this program's window `name`: the window's own object when it
// carries one. A window of that name in another program has no object here.
CTaskbarWnd* StripOf(LPCWSTR name) {
    auto* host =
        dynamic_cast<CTaskbarHost*>(CWnd::FromHandlePermanent(::FindWindow(nullptr, name)));
    CTaskbarWnd* strip = host ? host->GetTaskbar() : nullptr;
    return strip && strip->m_hWnd ? strip : nullptr;
}

}  // namespace

// The output, mute or volume changed: the strips of the equalizer window, of
// the open pattern window and of the player show it again. A strip that was
// never created (the skin failed) is left alone.
LRESULT CWQAudioDlg::OnAudioUpdate(WPARAM, LPARAM) {
    // Every refresh reads the settings afresh, so of a burst of posted updates
    // one refresh is enough: the others still queued are dropped.
    MSG queued;
    while (::PeekMessage(&queued, m_hWnd, WM_WQ_AUDIOUPDATE, WM_WQ_AUDIOUPDATE, PM_REMOVE)) {
    }
    if (CTaskbarWnd* strip = StripOf(u"WQEqualizer")) strip->RefreshOutput();
    if (CTaskbarWnd* strip = StripOf(u"WQPATTERN")) strip->RefreshOutput();
    if (m_wndTaskbar.m_hWnd) m_wndTaskbar.RefreshOutput();
    return 1;
}

LRESULT CWQAudioDlg::OnAudioPatten(WPARAM wParam, LPARAM lParam) {
    if (wParam == 1) m_nPattern = static_cast<int>(lParam);
    return 1;
}

LRESULT CWQAudioDlg::OnOptionUpdate(WPARAM, LPARAM lParam) {
    SetEqualizerMode(static_cast<int>(lParam));
    SetSkinBtnEqualizer();
    return 1;
}

void CWQAudioDlg::OnBtnNavi() {
    SendToWindow(u"WQMain", u"WQ:MSG:M_RUN_EXECUTE", WQ_PROGRAM_NAVI, 0);
}

void CWQAudioDlg::OnBtnMode() {
    SendToWindow(u"WQMain", u"WQ:MSG:M_ON_MODE", 0, 0);
}

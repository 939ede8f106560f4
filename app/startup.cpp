// The player window's share of start-up and shutdown: initialisation, the two
// ways of closing, and the destruction steps that save the settings, release
// the media graph and tell the launcher.
#include "platform/device/common.h"
#include "platform/gdi/gdi.h"
#include "player/wqaudiodlg.h"

BOOL CWQAudioDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(u"WQAudio");
    MoveWindow(0, 0, 480, 234, TRUE);
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    m_fontList = CreateFont(14, 0, 0, 0, 400, FALSE, FALSE, FALSE, 0, 0, 0, 0, 32, u"돋움체");
    PostToWindow(u"WQMain", u"WQ:MSG:APP_EXECUTE", WQ_PROGRAM_AUDIO, 0);
    SetTimer(TIMER_CREATE_SKIN, 1, nullptr);
    return TRUE;
}

void CWQAudioDlg::OnBtnClose() {
    OnCancel();
}

void CWQAudioDlg::OnClose() {
    // Hidden first, so that the secondary windows close behind nothing visible.
    ShowWindow(SW_HIDE);
    for (const char16_t* name : {u"WQMessage", u"WQPATTERN", u"WQEqualizer"}) {
        if (HWND wnd = ::FindWindow(nullptr, name)) ::EndDialog(wnd, IDCANCEL);
    }
    OnCancel();
}

BOOL CWQAudioDlg::DestroyWindow() {
    if (m_bSettingsLoaded) SaveRegistry(REG_ALL);
    StopMP3();
    Uninitialize();
    CloseInterface();
    m_imgEqualizer.Release();
    if (CWnd* equalizer = CWnd::FindWindow(nullptr, u"WQEqualizer")) equalizer->DestroyWindow();
    if (HWND pattern = ::FindWindow(nullptr, u"WQPATTERN")) ::SendMessage(pattern, WM_CLOSE, 0, 0);
    if (::FindWindow(nullptr, u"WQMain")) {
        SendToWindow(u"WQMain", u"WQ:MSG:APP_EXIT", WQ_PROGRAM_AUDIO, static_cast<LPARAM>(-1));
        SendToWindow(u"WQMain", u"WQ:MSG:M_CLOSE_COMPLETE", WQ_PROGRAM_AUDIO, 0);
    }
    return CDialog::DestroyWindow();
}

#include "app/wqaudioapp.h"

#include "platform/image/ravimage.h"
#include "platform/media/com.h"
#include "player/wqaudiodlg.h"

CWQAudioApp theApp;

CWQAudioApp::CWQAudioApp() {
    ravimage_InitialImageLibrary();
}

CWQAudioApp::~CWQAudioApp() {
    ravimage_UnInitializeImageLibrary();
}

BOOL CWQAudioApp::InitInstance() {
    if (HWND running = ::FindWindow(nullptr, u"WQAudio")) {
        if (m_lpCmdLine.GetLength() == 0) {
            SendToWindow(u"WQMain", u"WQ:MSG:ACTIVE", WQ_PROGRAM_AUDIO, 0);
            ::SetWindowPos(running, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
            ::SetForegroundWindow(running);
            return FALSE;
        }
        ::SendMessage(running, WM_CLOSE, 0, 0);
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return FALSE;
    {
        CWQAudioDlg dlg;
        m_pMainWnd = &dlg;
        dlg.m_strCmdLine = m_lpCmdLine;
        dlg.DoModal();
    }
    CoUninitialize();
    return FALSE;
}

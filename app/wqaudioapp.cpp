#include "app/wqaudioapp.h"

#include <chrono>
#include <thread>

#include "app/closing.h"
#include "platform/image/ravimage.h"
#include "platform/media/com.h"
#include "platform/win/remote.h"
#include "player/wqaudiodlg.h"

CWQAudioApp theApp;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPollInterval = 20ms;
// How long a copy that lost the name waits for the running copy's window, and
// how long it then waits for the running copy to close.
constexpr auto kFindTimeout = 2s;
constexpr auto kTakeOverTimeout = 5s;

// The running copy's window once it answers: a copy that has only just
// claimed the name shows its window a moment later.
HWND WaitForRunningCopy(Clock::time_point deadline) {
    for (;;) {
        if (HWND running = ::FindWindow(nullptr, u"WQAudio")) {
            // Changes nothing; succeeds only when the window exists.
            if (::SetWindowPos(running, nullptr, 0, 0, 0, 0,
                               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
                return running;
        }
        if (Clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

CWQAudioApp::CWQAudioApp() {
    ravimage_InitialImageLibrary();
}

CWQAudioApp::~CWQAudioApp() {
    ravimage_UnInitializeImageLibrary();
}

// This copy lost the name "WQAudio" to a running one. Without a command line it
// brings that copy forward and ends; with one it closes that copy and takes
// its place, unless another copy started at the same moment takes it first.
// True when this copy goes on starting.
bool CWQAudioApp::TakeOverFromRunningCopy() {
    const Clock::time_point start = Clock::now();
    HWND running = WaitForRunningCopy(start + kFindTimeout);
    if (m_lpCmdLine.GetLength() == 0) {
        if (!running) return false;
        SendToWindow(u"WQMain", u"WQ:MSG:ACTIVE", WQ_PROGRAM_AUDIO, 0);
        ::SetWindowPos(running, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
        ::SetForegroundWindow(running);
        return false;
    }
    if (running) ::SendMessage(running, WM_CLOSE, 0, 0);
    while (Clock::now() < start + kTakeOverTimeout && !wq::app::CloseRequested()) {
        if (wq::win::ClaimWindowName(u"WQAudio")) return true;
        HWND now = ::FindWindow(nullptr, u"WQAudio");
        if (now && now != running) return false;  // another new copy took over
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

BOOL CWQAudioApp::InitInstance() {
    // The name is claimed at once and atomically, so that of several copies
    // started together exactly one runs; the others hand over to it.
    if (!wq::win::ClaimWindowName(u"WQAudio") && !TakeOverFromRunningCopy()) return FALSE;
    if (wq::app::CloseRequested()) return FALSE;
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

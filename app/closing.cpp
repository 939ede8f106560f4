#include "app/closing.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/threads.h"

namespace wq::app {
namespace {

std::atomic<bool> g_closeRequested{false};
std::atomic<bool> g_endAtOnce{false};

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void StartSignalWatch() {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0) continue;
            // The close is already running and something wants the process gone.
            if (g_endAtOnce || g_closeRequested.exchange(true)) _exit(128 + sig);
            wq::win::PostTask([] { wq::win::RequestClose(); });
        }
    }).detach();
}

void EndAtOnceOnSignal() {
    g_endAtOnce = true;
}

void InstallCloseHook() {
    wq::win::SetCloseHook([] {
        g_closeRequested = true;
        CWnd* main = AfxGetMainWnd();
        if (main && main->m_hWnd) main->PostMessage(WM_CLOSE, 0, 0);
    });
}

bool CloseRequested() {
    return g_closeRequested.load();
}

}  // namespace wq::app

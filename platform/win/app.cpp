// The application object and the thread's message loop.
#include "platform/win/app.h"

#include "platform/win/internal.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

int CWinThread::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0)) {
        if (m_pMainWnd && m_pMainWnd->PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

// The program has one application object; a test may construct another for a
// while, which then hides the first until it is destroyed.
CWinApp::CWinApp(LPCTSTR appName) : m_pszAppName(appName), m_pPreviousApp(g_app) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = m_pPreviousApp;
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app ? g_app->m_pMainWnd : nullptr;
}

namespace wq::win {

int RunApplication(const CString& commandLine) {
    detail::RebindGuiThread();
    detail::TheInbox().SetClosed(false);
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_lpCmdLine = commandLine;
    int code = 0;
    if (app->InitInstance()) {
        code = app->Run();
    } else {
        code = app->ExitInstance();
    }
    // Work handed over by other threads after this point has nobody to run it.
    detail::TheInbox().SetClosed(true);
    detail::TheInbox().Clear();
    return code;
}

}  // namespace wq::win

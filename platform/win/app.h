// CWinApp: the one application object, constructed during static
// initialisation. wq::win::RunApplication calls InitInstance once; when it
// returns FALSE the program ends without a message loop (a dialog-based
// application runs its DoModal inside InitInstance).
#pragma once

#include "platform/base/cstring.h"
#include "platform/win/wnd.h"

class CWinThread {
public:
    virtual ~CWinThread() = default;
    // The main window: its destruction posts WM_QUIT and clears this pointer.
    CWnd* m_pMainWnd = nullptr;
    virtual BOOL InitInstance() { return FALSE; }
    // The message loop until WM_QUIT; returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance() { return m_nExitCode; }

protected:
    int m_nExitCode = 0;
};

class CWinApp : public CWinThread {
public:
    explicit CWinApp(LPCTSTR appName = nullptr);
    ~CWinApp() override;

    // The process's command line without the program name and without the
    // platform's own options (--headless, --scale, ...); empty when none.
    CString m_lpCmdLine;
    LPCTSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    CWinApp* m_pPreviousApp = nullptr;
};

CWinApp* AfxGetApp();
// The running thread's main window, NULL before it is set and after it is destroyed.
CWnd* AfxGetMainWnd();

namespace wq::win {

// Runs the application object: sets m_lpCmdLine, calls InitInstance and, when
// it returns TRUE, Run. Returns the process exit code. GUI thread (the caller).
int RunApplication(const CString& commandLine);

}  // namespace wq::win

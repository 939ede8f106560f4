// CWQAudioApp: the application object. It keeps one copy of the player
// running (a second start activates the first, or replaces it when given a
// file; of copies started at the same moment exactly one runs), initialises
// COM and runs the player window for the life of the process.
#pragma once

#include "platform/win/afxwin.h"

class CWQAudioApp : public CWinApp {
public:
    CWQAudioApp();
    ~CWQAudioApp() override;
    BOOL InitInstance() override;

private:
    bool TakeOverFromRunningCopy();
};

extern CWQAudioApp theApp;

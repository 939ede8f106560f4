// A hidden child window of the skin's owner that receives the skin's own
// timers (button repeats), so they never mix with the owner's timer ids.
#pragma once

#include "platform/win/wnd.h"

class CSkinManager;

namespace wq::skin {

class TimerWnd : public CWnd {
public:
    explicit TimerWnd(CSkinManager* manager) : m_pManager(manager) {}
    ~TimerWnd() override;
    // Creates the hidden window; FALSE without an owner window.
    BOOL CreateOn(CWnd* pOwner);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CSkinManager* m_pManager;
};

}  // namespace wq::skin

#include "platform/skin/timerwnd.h"

#include "platform/skin/skinmanager.h"

namespace wq::skin {

TimerWnd::~TimerWnd() {
    if (m_hWnd) DestroyWindow();
}

BOOL TimerWnd::CreateOn(CWnd* pOwner) {
    if (!pOwner || !pOwner->m_hWnd) return FALSE;
    // Not visible and empty: it never paints and never takes the pen.
    return Create(u"WQSkinTimer", u"", WS_CHILD, RECT{0, 0, 0, 0}, pOwner, 0);
}

LRESULT TimerWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        m_pManager->OnRepeatTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

}  // namespace wq::skin

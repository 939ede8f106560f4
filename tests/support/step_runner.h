// Test steps run from inside whatever message loop pumps, also the nested
// loop of a modal dialog: each step runs on a timer `gapMs` of clock time
// after the previous one, so a test can open a modal window with a blocking
// call and act in it meanwhile. GUI thread.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/afxwin.h"

namespace wq::test {

class StepRunner : public CWnd {
public:
    StepRunner() { CreateEx(0, nullptr, u"steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0); }
    ~StepRunner() override {
        if (m_hWnd) DestroyWindow();
    }
    void Start(std::vector<std::function<void()>> steps, UINT gapMs = 50) {
        m_steps = std::move(steps);
        m_next = 0;
        m_gap = gapMs;
        SetTimer(kTimer, m_gap, nullptr);
    }
    bool Done() const { return m_next >= m_steps.size(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg != WM_TIMER || wParam != kTimer) return CWnd::WindowProc(msg, wParam, lParam);
        if (Done()) {
            KillTimer(kTimer);
            return 0;
        }
        // Taken first: a step may run a modal loop in which the next ones run.
        const size_t i = m_next++;
        if (Done()) KillTimer(kTimer);
        m_steps[i]();
        return 0;
    }

private:
    static constexpr UINT_PTR kTimer = 1;
    std::vector<std::function<void()>> m_steps;
    size_t m_next = 0;
    UINT m_gap = 50;
};

}  // namespace wq::test

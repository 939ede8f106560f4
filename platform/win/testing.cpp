// Loop drivers for tests, with watchdogs that stop instead of hanging.
#include "platform/win/testing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "platform/win/internal.h"
#include "platform/win/remote.h"

using namespace wq::win::detail;

namespace wq::win {
namespace {

std::uint64_t NextDue() {
    std::uint64_t next = UINT64_MAX;
    for (const Timer& t : S().timers) next = std::min(next, t.due);
    return next;
}

// Dispatches one available message. Returns 1 when one ran, 0 when none was
// available, -1 at WM_QUIT (which is put back for the loops above).
int DispatchOne() {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return 0;
    if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return -1;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
    return 1;
}

std::string QuitReason() {
    const std::string& w = S().watchdogMessage;
    return w.empty() ? std::string("WM_QUIT was retrieved before the condition held")
                     : "watchdog: " + w;
}

}  // namespace

RunOutcome RunUntil(const std::function<bool()>& done, DWORD maxVirtualMs, int maxSteps) {
    BindGuiThread();
    const std::uint64_t start = Now();
    const std::uint64_t deadline = start + maxVirtualMs;
    int steps = 0;
    for (;;) {
        if (done()) return RunOutcome{true, {}};
        const int r = DispatchOne();
        if (r < 0) return RunOutcome{false, QuitReason()};
        if (r > 0) {
            if (++steps >= maxSteps) {
                return RunOutcome{
                    false,
                    "the condition did not hold after " + std::to_string(maxSteps) +
                        " dispatched messages (a message or timer loop that never settles?)"};
            }
            continue;
        }
        // Idle: move time on, or wait for other threads.
        const std::uint64_t now = Now();
        const std::uint64_t next = NextDue();
        wq::clock::Clock& clk = wq::clock::Current();
        if (clk.IsVirtual()) {
            if (next != UINT64_MAX && next <= deadline) {
                if (next > now) clk.Advance(static_cast<DWORD>(next - now));
                Now();
                continue;
            }
            // Only another thread can still change something.
            const DWORD idle = S().watchdogIdleMs ? S().watchdogIdleMs : 2000;
            const auto t0 = std::chrono::steady_clock::now();
            bool arrived = false;
            while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(idle)) {
                if (ThePresenter()) {
                    ThePresenter()->Wait(20);
                } else {
                    TheInbox().Wait(20);
                }
                if (done()) return RunOutcome{true, {}};
                if (DispatchOne() != 0 || !S().input.empty()) {
                    arrived = true;
                    break;
                }
            }
            if (arrived) continue;
            if (next != UINT64_MAX) {
                return RunOutcome{false, "the condition did not hold within " +
                                             std::to_string(maxVirtualMs) +
                                             " virtual ms (next timer due " +
                                             std::to_string(next - start) + " ms in)"};
            }
            return RunOutcome{
                false,
                "the condition did not hold and nothing is left to run: no message, no timer, "
                "no work from other threads after " +
                    std::to_string(now - start) + " virtual ms"};
        }
        if (now >= deadline) {
            return RunOutcome{
                false, "the condition did not hold within " + std::to_string(maxVirtualMs) + " ms"};
        }
        const std::uint64_t until = std::min(next, deadline);
        const DWORD wait =
            static_cast<DWORD>(std::min<std::uint64_t>(until > now ? until - now : 0, 20));
        if (ThePresenter()) {
            ThePresenter()->Wait(wait);
        } else {
            TheInbox().Wait(wait);
        }
    }
}

RunOutcome RunFor(DWORD ms) {
    BindGuiThread();
    const std::uint64_t deadline = Now() + ms;
    for (;;) {
        int r;
        while ((r = DispatchOne()) > 0) {
        }
        if (r < 0) return RunOutcome{false, QuitReason()};
        const std::uint64_t now = Now();
        if (now >= deadline) return RunOutcome{true, {}};
        const std::uint64_t until = std::min(NextDue(), deadline);
        wq::clock::Clock& clk = wq::clock::Current();
        if (clk.IsVirtual()) {
            if (until > now) clk.Advance(static_cast<DWORD>(until - now));
            Now();
        } else {
            TheInbox().Wait(static_cast<DWORD>(std::min<std::uint64_t>(until - now, 20)));
        }
    }
}

int PumpPending(int maxSteps) {
    BindGuiThread();
    int n = 0;
    while (n < maxSteps && DispatchOne() > 0) ++n;
    return n;
}

void ResetWindowSystem() {
    RebindGuiThread();
    State& s = S();
    std::vector<HWND> tops = s.topLevels;
    for (HWND t : tops) DestroyWindow(t);
    for (auto& [dc, top] : s.liveDCs) wq::gdi::DeleteSurfaceDC(dc);
    s.liveDCs.clear();
    s.windows.clear();
    s.topLevels.clear();
    s.temporaries.clear();
    s.remoteById.clear();
    s.remoteByHandle.clear();
    s.posted.clear();
    s.input.clear();
    s.timers.clear();
    s.dirty.clear();
    s.current.clear();
    s.quit = false;
    s.quitCode = 0;
    s.modalWake = false;
    s.active = s.capture = s.focus = nullptr;
    s.foreground = true;
    s.foregroundClaimed = false;
    s.buttonDown = false;
    TheInbox().SetPresenter(nullptr);
    s.keyHook = nullptr;
    s.closeHook = nullptr;
    s.watchdogDeadline = 0;
    s.watchdogIdleMs = 0;
    s.watchdogMessage.clear();
    TheInbox().Clear();
    TheInbox().SetClosed(false);
    ResyncClock();
}

void SetWatchdog(DWORD maxVirtualMs, DWORD maxIdleRealMs) {
    State& s = S();
    s.watchdogDeadline = maxVirtualMs ? Now() + maxVirtualMs : 0;
    s.watchdogIdleMs = maxIdleRealMs;
}

std::string WatchdogMessage() {
    return S().watchdogMessage;
}

TestSession::TestSession(DWORD clockStart) : m_clock(clockStart) {
    ResetWindowSystem();
    SetWatchdog(10 * 60 * 1000, 2000);
}

TestSession::~TestSession() {
    ResetWindowSystem();
}

}  // namespace wq::win

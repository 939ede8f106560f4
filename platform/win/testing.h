// Helpers for tests that drive the message loop on the virtual clock. Usable by
// every folder's tests; nothing in the program calls them.
//
//   wq::win::TestSession session;           // fresh window system, clock at 0xFFFF0000
//   ... create windows, post messages ...
//   auto r = wq::win::RunUntil([&] { return done; }, 5000);
//   ASSERT_TRUE(r.ok) << r.message;
//
// A watchdog guards every loop, also the nested loops of DoModal inside a test:
// when virtual time passes the session's limit, or the loop idles with nothing
// left to happen, it records a sentence and posts WM_QUIT so that all loops
// unwind; WatchdogMessage() then says why.
#pragma once

#include <functional>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/clock/clock.h"

namespace wq::win {

struct RunOutcome {
    bool ok = false;
    std::string message;  // why it stopped when !ok
    explicit operator bool() const { return ok; }
};

// Dispatches messages until `done()` is true. Fails when `maxVirtualMs` of clock
// time pass, when nothing is left that could make progress, after `maxSteps`
// dispatched messages, or when WM_QUIT is retrieved.
RunOutcome RunUntil(const std::function<bool()>& done, DWORD maxVirtualMs, int maxSteps = 1000000);
// Dispatches everything due within the next `ms` of clock time; stops early
// only at WM_QUIT (ok = false then).
RunOutcome RunFor(DWORD ms);
// Dispatches what is available now without advancing the clock. Returns the
// number of messages dispatched (WM_QUIT is left in place).
int PumpPending(int maxSteps = 100000);

// Destroys every window, empties the queues, kills the timers, clears capture,
// activation, the quit flag, the presenter and the watchdog record. Registered
// message ids stay (they are process-wide). GUI thread.
void ResetWindowSystem();

// Watchdog for loops that run inside code under test (DoModal): a limit in
// virtual ms from now, and how long (real ms) the loop may idle with no timer
// pending before it gives up. 0 disables a limit.
void SetWatchdog(DWORD maxVirtualMs, DWORD maxIdleRealMs);
// Empty until the watchdog fired; then the sentence saying why.
std::string WatchdogMessage();

// One test's world: resets the window system, installs a virtual clock (start
// near the 32-bit wrap by default) and a watchdog of 10 virtual minutes and 2
// real seconds of idling; undoes all of it at the end.
class TestSession {
public:
    explicit TestSession(DWORD clockStart = 0xFFFF0000u);
    ~TestSession();
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;
    clock::VirtualClock& clock() { return m_clock.clock(); }

private:
    clock::ScopedVirtualClock m_clock;
};

}  // namespace wq::win

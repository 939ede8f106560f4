// One clock for the tick count, Sleep and the window timers. The program runs on
// the real monotonic clock; tests install a virtual clock that the idle message
// loop advances straight to the next due timer, so seconds of playback logic run
// in microseconds and never depend on machine load.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/base/wintypes.h"

namespace wq::clock {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds as a wrapping DWORD; only unsigned differences are meaningful.
    virtual DWORD Now() const = 0;
    // Blocks the caller for `ms` (real clock) or moves time forward (virtual clock).
    virtual void Sleep(DWORD ms) = 0;
    // True for a clock that only moves when told to.
    virtual bool IsVirtual() const = 0;
    // Moves a virtual clock forward by `ms`; does nothing on the real clock.
    virtual void Advance(DWORD ms) = 0;
};

// Monotonic milliseconds (CLOCK_MONOTONIC), starting at `start` when constructed.
class RealClock final : public Clock {
public:
    explicit RealClock(DWORD start = 0);
    DWORD Now() const override;
    void Sleep(DWORD ms) override;
    bool IsVirtual() const override { return false; }
    void Advance(DWORD) override {}

private:
    std::int64_t m_originNs;
    DWORD m_start;
};

// Time that moves only through Advance and Sleep. Thread-safe. Tests start it
// close to the 32-bit wrap (0xFFFF0000) so that code comparing ticks with `>`
// instead of unsigned differences fails at once.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(DWORD start = 0xFFFF0000u);
    DWORD Now() const override;
    void Sleep(DWORD ms) override { Advance(ms); }
    bool IsVirtual() const override { return true; }
    void Advance(DWORD ms) override;
    // Milliseconds advanced since construction, unwrapped.
    std::uint64_t Elapsed() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// The clock in use (a process-wide RealClock until Install is called).
Clock& Current();
// Installs `clock` (not owned; must outlive its installation); nullptr restores
// the real clock. GUI thread, while no timer is pending.
void Install(Clock* clock);

// Installs a VirtualClock for the lifetime of the object, restoring the
// previous clock afterwards. For tests.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(DWORD start = 0xFFFF0000u);
    ~ScopedVirtualClock();
    ScopedVirtualClock(const ScopedVirtualClock&) = delete;
    ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;
    VirtualClock& clock() { return m_clock; }

private:
    VirtualClock m_clock;
    Clock* m_previous;
};

}  // namespace wq::clock

// Milliseconds since start as a wrapping DWORD, from the installed clock.
DWORD GetTickCount();
// Suspends the calling thread for `ms` on the installed clock (0 yields).
void Sleep(DWORD ms);

#include "platform/clock/clock.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace wq::clock {
namespace {

std::int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

RealClock& ProcessClock() {
    static RealClock clock;
    return clock;
}

std::atomic<Clock*> g_current{nullptr};

}  // namespace

RealClock::RealClock(DWORD start) : m_originNs(MonotonicNs()), m_start(start) {}

DWORD RealClock::Now() const {
    const auto ms = static_cast<std::uint64_t>((MonotonicNs() - m_originNs) / 1000000);
    return static_cast<DWORD>(m_start + ms);  // wraps like the device's tick count
}

void RealClock::Sleep(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct VirtualClock::State {
    mutable std::mutex mutex;
    DWORD start = 0;
    std::uint64_t elapsed = 0;
};

VirtualClock::VirtualClock(DWORD start) : m_state(std::make_shared<State>()) {
    m_state->start = start;
}

DWORD VirtualClock::Now() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return static_cast<DWORD>(m_state->start + m_state->elapsed);
}

void VirtualClock::Advance(DWORD ms) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->elapsed += ms;
}

std::uint64_t VirtualClock::Elapsed() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->elapsed;
}

Clock& Current() {
    Clock* c = g_current.load();
    return c ? *c : ProcessClock();
}

void Install(Clock* clock) {
    g_current.store(clock);
}

ScopedVirtualClock::ScopedVirtualClock(DWORD start) : m_clock(start), m_previous(g_current.load()) {
    Install(&m_clock);
}

ScopedVirtualClock::~ScopedVirtualClock() {
    Install(m_previous);
}

}  // namespace wq::clock

DWORD GetTickCount() {
    return wq::clock::Current().Now();
}

void Sleep(DWORD ms) {
    wq::clock::Current().Sleep(ms);
}

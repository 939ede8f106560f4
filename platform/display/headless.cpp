// The presenter for runs without a display.
#include <condition_variable>
#include <map>
#include <mutex>

#include "platform/display/display.h"

namespace wq::display {

struct HeadlessPresenter::State {
    std::mutex mutex;
    std::condition_variable cv;
    std::uint64_t wakes = 0;
    std::uint64_t consumed = 0;    // wakes seen by the last Wait: a Wake between waits is not lost
    std::map<HWND, int> presents;  // GUI thread only
    std::map<HWND, bool> shown;
};

HeadlessPresenter::HeadlessPresenter() : m_state(std::make_unique<State>()) {}

HeadlessPresenter::~HeadlessPresenter() {
    if (win::GetPresenter() == this) win::SetPresenter(nullptr);
}

void HeadlessPresenter::WindowShown(HWND hwnd) {
    m_state->shown[hwnd] = true;
}

void HeadlessPresenter::WindowHidden(HWND hwnd) {
    m_state->shown[hwnd] = false;
}

void HeadlessPresenter::Present(HWND hwnd, const gdi::Surface&) {
    ++m_state->presents[hwnd];
}

void HeadlessPresenter::Wait(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    auto woken = [&] { return m_state->wakes != m_state->consumed; };
    if (timeoutMs == INFINITE) {
        m_state->cv.wait(lock, woken);
    } else {
        m_state->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), woken);
    }
    m_state->consumed = m_state->wakes;
}

void HeadlessPresenter::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        ++m_state->wakes;
    }
    m_state->cv.notify_all();
}

int HeadlessPresenter::PresentCount(HWND hwnd) const {
    auto it = m_state->presents.find(hwnd);
    return it == m_state->presents.end() ? 0 : it->second;
}

bool HeadlessPresenter::IsShown(HWND hwnd) const {
    auto it = m_state->shown.find(hwnd);
    return it != m_state->shown.end() && it->second;
}

}  // namespace wq::display

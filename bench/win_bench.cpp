// Cost of the message loop: posting and dispatching through a message map,
// a direct SendMessage, a timer tick on the virtual clock, and a paint cycle;
// the reference is a plain std::function queue doing the same hand-over.
#include <benchmark/benchmark.h>

#include <deque>
#include <functional>

#include "platform/win/afxwin.h"
#include "platform/win/testing.h"

namespace {

class Target : public CWnd {
public:
    long count = 0;

protected:
    afx_msg LRESULT OnUserMsg(WPARAM, LPARAM) {
        ++count;
        return 1;
    }
    afx_msg void OnTimer(UINT_PTR) { ++count; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Target, CWnd)
    ON_WM_TIMER()
    ON_MESSAGE(WM_USER + 1, OnUserMsg)
END_MESSAGE_MAP()

void BM_ReferenceFunctionQueue(benchmark::State& state) {
    std::deque<std::function<void()>> queue;
    long count = 0;
    for (auto _ : state) {
        queue.emplace_back([&count] { ++count; });
        auto f = std::move(queue.front());
        queue.pop_front();
        f();
    }
    benchmark::DoNotOptimize(count);
}
BENCHMARK(BM_ReferenceFunctionQueue);

void BM_PostAndDispatch(benchmark::State& state) {
    wq::win::TestSession session;
    Target t;
    t.CreateEx(0, u"bench", u"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    for (auto _ : state) {
        PostMessage(t, WM_USER + 1, 0, 0);
        MSG m;
        PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
        DispatchMessage(&m);
    }
    benchmark::DoNotOptimize(t.count);
}
BENCHMARK(BM_PostAndDispatch);

void BM_SendMessage(benchmark::State& state) {
    wq::win::TestSession session;
    Target t;
    t.CreateEx(0, u"bench", u"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(SendMessage(t, WM_USER + 1, 0, 0));
}
BENCHMARK(BM_SendMessage);

void BM_VirtualTimerTick(benchmark::State& state) {
    wq::win::TestSession session;
    Target t;
    t.CreateEx(0, u"bench", u"bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    t.SetTimer(1, 200, nullptr);
    for (auto _ : state) {
        const long before = t.count;
        wq::win::RunUntil([&] { return t.count != before; }, 1000);
    }
}
BENCHMARK(BM_VirtualTimerTick);

void BM_InvalidateAndPaint480x234(benchmark::State& state) {
    wq::win::TestSession session;
    Target t;
    t.CreateEx(0, u"bench", u"bench", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234, nullptr, nullptr);
    wq::win::PumpPending();
    for (auto _ : state) {
        InvalidateRect(t, nullptr, TRUE);
        wq::win::PumpPending();
    }
}
BENCHMARK(BM_InvalidateAndPaint480x234);

}  // namespace

BENCHMARK_MAIN();

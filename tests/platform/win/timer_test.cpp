// Window timers on the virtual clock and across the 32-bit tick wrap.
#include <gtest/gtest.h>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

class TimerTest : public ::testing::Test {
protected:
    // 256 ms before the tick count wraps, so every schedule below crosses it.
    wq::win::TestSession session{0xFFFFFF00u};
    Log log;
    Probe w{&log, "W"};
    std::vector<DWORD> ticks;  // ms since t0 of each WM_TIMER
    DWORD t0 = 0;

    void SetUp() override {
        ASSERT_TRUE(w.CreateTop(0, 0, 50, 50));
        Settle(log);
        t0 = GetTickCount();
        w.on[WM_TIMER] = Do([this] { ticks.push_back(GetTickCount() - t0); });
    }
    void RunTo(size_t n, DWORD ms) {
        ASSERT_RUN(wq::win::RunUntil([&] { return ticks.size() == n; }, ms));
    }
};

TEST_F(TimerTest, SettingTheSameIdRestartsThatTimerAndLeavesOtherIdsAlone) {
    EXPECT_EQ(::SetTimer(w, 1, 500, nullptr), 1u);
    EXPECT_EQ(::SetTimer(w, 2, 700, nullptr), 2u);
    session.clock().Advance(400);
    EXPECT_EQ(::SetTimer(w, 1, 200, nullptr), 1u);
    RunTo(3, 2000);
    EXPECT_EQ(ticks, (std::vector<DWORD>{600, 700, 800}));
    EXPECT_EQ(Join(log), "W:timer 1 | W:timer 2 | W:timer 1");
}

TEST_F(TimerTest, ASlowHandlerGetsOneLateTickThenTheScheduleStaysOnMultiples) {
    ::SetTimer(w, 1, 200, nullptr);
    w.on[WM_TIMER] = Do([this] {
        ticks.push_back(GetTickCount() - t0);
        if (ticks.size() == 1) Sleep(450);
    });
    RunTo(3, 5000);
    EXPECT_EQ(ticks, (std::vector<DWORD>{200, 650, 800}));
}

TEST_F(TimerTest, KillTimerDropsATickThatIsAlreadyDueAndZeroMillisecondsIsOne) {
    ::SetTimer(w, 4, 100, nullptr);
    w.on[WM_USER] = Do([&] {
        Sleep(150);  // the timer expires while this handler runs
        EXPECT_EQ(::KillTimer(w, 4), TRUE);
    });
    ::PostMessage(w, WM_USER, 0, 0);
    ASSERT_RUN(wq::win::RunFor(1000));
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(::KillTimer(w, 4), FALSE);
    const DWORD now = GetTickCount() - t0;
    ::SetTimer(w, 2, 0, nullptr);
    RunTo(1, 100);
    EXPECT_EQ(ticks, (std::vector<DWORD>{now + 1}));
}

}  // namespace

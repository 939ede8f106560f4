// Window timers on the virtual clock (also across the 32-bit wrap) and once on real time.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

class TimerTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
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

TEST_F(TimerTest, KillTimerDropsATickThatIsAlreadyDue) {
    ::SetTimer(w, 4, 100, nullptr);
    w.on[WM_USER] = Do([&] {
        Sleep(150);  // the timer expires while this handler runs
        EXPECT_EQ(::KillTimer(w, 4), TRUE);
    });
    ::PostMessage(w, WM_USER, 0, 0);
    ASSERT_RUN(wq::win::RunFor(1000));
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(::KillTimer(w, 4), FALSE);
}

TEST_F(TimerTest, ZeroMillisecondsIsOneAndATimerNeverOvertakesPostedOrPaint) {
    w.on[WM_USER] = Do([&] {
        ::SetTimer(w, 2, 0, nullptr);
        ::InvalidateRect(w, nullptr, FALSE);
        ::PostMessage(w, WM_USER + 1, 0, 0);
    });
    w.on[WM_TIMER] = [&](WPARAM id, LPARAM) -> LRESULT {
        ticks.push_back(GetTickCount() - t0);
        return ::KillTimer(w, id), 0;
    };
    ::PostMessage(w, WM_USER, 0, 0);
    RunTo(1, 100);
    EXPECT_EQ(ticks, (std::vector<DWORD>{1}));
    EXPECT_EQ(Join(log), "W:user+0 | W:user+1 | W:paint | W:timer 2");
}

TEST(TimerAcrossWrap, TicksStayEvenlySpacedWhenTheTickCountWraps) {
    wq::win::TestSession session(0xFFFFFF00u);
    Probe w(nullptr, "W");
    ASSERT_TRUE(w.CreateTop(0, 0, 10, 10));
    std::vector<DWORD> at;
    w.on[WM_TIMER] = Do([&] { at.push_back(GetTickCount()); });
    ::SetTimer(w, 1, 100, nullptr);
    ASSERT_RUN(wq::win::RunUntil([&] { return at.size() == 6; }, 1000));
    for (size_t i = 1; i < at.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 100u) << i;
    EXPECT_LT(at.back(), 0x1000u) << "the run should have crossed the wrap";
}

TEST(TimerRealTime, ARealTimerNeverFiresEarly) {
    wq::win::ResetWindowSystem();
    Probe w(nullptr, "W");
    ASSERT_TRUE(w.CreateTop(0, 0, 10, 10, false));
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration firedAfter{};
    w.on[WM_TIMER] = Do([&] {
        if (firedAfter.count() == 0) firedAfter = std::chrono::steady_clock::now() - start;
    });
    ::SetTimer(w, 1, 30, nullptr);
    ASSERT_RUN(wq::win::RunUntil([&] { return firedAfter.count() != 0; }, 2000));
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(firedAfter).count(), 29);
    w.DestroyWindow();
    wq::win::ResetWindowSystem();
}

}  // namespace

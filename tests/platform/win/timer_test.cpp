// Window timers on the virtual clock (started near the 32-bit wrap) and once on real time.
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
        wq::win::PumpPending();
        log.clear();
        t0 = GetTickCount();
        w.on[WM_TIMER] = [this](WPARAM, LPARAM) -> LRESULT {
            ticks.push_back(static_cast<DWORD>(GetTickCount() - t0));
            return 0;
        };
    }
};

TEST_F(TimerTest, SettingTheSameIdReplacesAndRestartsTheTimer) {
    EXPECT_EQ(::SetTimer(w, 1, 500, nullptr), 1u);
    session.clock().Advance(400);
    EXPECT_EQ(::SetTimer(w, 1, 200, nullptr), 1u);
    auto r = wq::win::RunUntil([&] { return ticks.size() == 2; }, 2000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ticks, (std::vector<DWORD>{600, 800}));
}

TEST_F(TimerTest, MissedPeriodsGiveOneTickNotABacklog) {
    ::SetTimer(w, 1, 10, nullptr);
    session.clock().Advance(105);  // the thread was blocked for 105 ms
    EXPECT_EQ(wq::win::PumpPending(), 1);
    EXPECT_EQ(ticks, (std::vector<DWORD>{105}));
    // The schedule stays on multiples of the period.
    auto r = wq::win::RunUntil([&] { return ticks.size() == 3; }, 1000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ticks, (std::vector<DWORD>{105, 110, 120}));
}

TEST_F(TimerTest, ASlowHandlerNeitherShiftsNorBurstsTheSchedule) {
    ::SetTimer(w, 1, 200, nullptr);
    w.on[WM_TIMER] = [this](WPARAM, LPARAM) -> LRESULT {
        ticks.push_back(static_cast<DWORD>(GetTickCount() - t0));
        if (ticks.size() == 1) Sleep(450);  // the first handler takes 450 ms
        return 0;
    };
    auto r = wq::win::RunUntil([&] { return ticks.size() == 3; }, 5000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ticks, (std::vector<DWORD>{200, 650, 800}));
}

TEST_F(TimerTest, KillTimerDropsATickThatIsAlreadyDue) {
    ::SetTimer(w, 4, 100, nullptr);
    w.on[WM_USER] = [&](WPARAM, LPARAM) -> LRESULT {
        Sleep(150);  // the timer expires while this handler runs
        EXPECT_EQ(::KillTimer(w, 4), TRUE);
        return 0;
    };
    ::PostMessage(w, WM_USER, 0, 0);
    auto r = wq::win::RunFor(1000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(::KillTimer(w, 4), FALSE);
    EXPECT_EQ(::KillTimer(w, 99), FALSE);
}

TEST_F(TimerTest, ZeroMillisecondsIsOneAndATimerNeverOvertakesPostedOrPaint) {
    w.on[WM_USER] = [&](WPARAM, LPARAM) -> LRESULT {
        ::SetTimer(w, 2, 0, nullptr);
        ::InvalidateRect(w, nullptr, FALSE);
        ::PostMessage(w, WM_USER + 1, 0, 0);
        return 0;
    };
    w.on[WM_TIMER] = [&](WPARAM id, LPARAM) -> LRESULT {
        ticks.push_back(static_cast<DWORD>(GetTickCount() - t0));
        log.push_back("tick");
        ::KillTimer(w, id);
        return 0;
    };
    ::PostMessage(w, WM_USER, 0, 0);
    auto r = wq::win::RunUntil([&] { return !ticks.empty(); }, 100);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ticks, (std::vector<DWORD>{1}));
    EXPECT_EQ(Join(log), "W:user+0 | W:user+1 | W:paint | W:timer 2 | tick");
}

TEST_F(TimerTest, TimersOfOneWindowAreKeptApartById) {
    std::vector<UINT_PTR> ids;
    w.on[WM_TIMER] = [&](WPARAM id, LPARAM) -> LRESULT {
        ids.push_back(id);
        ::KillTimer(w, id);
        return 0;
    };
    ::SetTimer(w, 301, 30, nullptr);
    ::SetTimer(w, 302, 10, nullptr);
    auto r = wq::win::RunFor(100);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ids, (std::vector<UINT_PTR>{302, 301}));
}

TEST(TimerAcrossWrap, TicksStayEvenlySpacedWhenTheTickCountWraps) {
    wq::win::TestSession session(0xFFFFFF00u);
    Log log;
    Probe w(&log, "W");
    ASSERT_TRUE(w.CreateTop(0, 0, 10, 10));
    std::vector<DWORD> at;
    w.on[WM_TIMER] = [&](WPARAM, LPARAM) -> LRESULT {
        at.push_back(GetTickCount());
        return 0;
    };
    ::SetTimer(w, 1, 100, nullptr);
    auto r = wq::win::RunUntil([&] { return at.size() == 6; }, 1000);
    ASSERT_TRUE(r.ok) << r.message;
    for (size_t i = 1; i < at.size(); ++i)
        EXPECT_EQ(static_cast<DWORD>(at[i] - at[i - 1]), 100u) << i;
    EXPECT_LT(at.back(), 0x1000u) << "the run should have crossed the wrap";
}

TEST(TimerRealTime, ARealTimerNeverFiresEarly) {
    wq::win::ResetWindowSystem();
    Log log;
    Probe w(&log, "W");
    ASSERT_TRUE(w.CreateTop(0, 0, 10, 10, false));
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration firedAfter{};
    bool fired = false;
    w.on[WM_TIMER] = [&](WPARAM, LPARAM) -> LRESULT {
        if (!fired) firedAfter = std::chrono::steady_clock::now() - start;
        fired = true;
        return 0;
    };
    ::SetTimer(w, 1, 30, nullptr);
    auto r = wq::win::RunUntil([&] { return fired; }, 2000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(firedAfter).count(), 29);
    w.DestroyWindow();
    wq::win::ResetWindowSystem();
}

}  // namespace

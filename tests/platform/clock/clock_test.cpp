// The tick source: wrapping DWORD milliseconds, real and virtual.
#include "platform/clock/clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(VirtualClock, WrapsAndDifferencesStayUnsigned) {
    wq::clock::ScopedVirtualClock scoped(0xFFFFFFF0u);
    const DWORD then = GetTickCount();
    EXPECT_EQ(then, 0xFFFFFFF0u);
    Sleep(32);  // a virtual sleep moves time, it does not block
    const DWORD now = GetTickCount();
    EXPECT_EQ(now, 0x10u);
    EXPECT_EQ(static_cast<DWORD>(now - then), 32u);
    // A 50 ms debounce written with unsigned differences still holds across the wrap.
    EXPECT_LT(static_cast<DWORD>(now - then), 50u);
    EXPECT_EQ(scoped.clock().Elapsed(), 32u);
}

TEST(VirtualClock, InstallingAndRemovingRestoresThePreviousClock) {
    const bool realBefore = !wq::clock::Current().IsVirtual();
    {
        wq::clock::ScopedVirtualClock outer(100);
        {
            wq::clock::ScopedVirtualClock inner(5000);
            EXPECT_EQ(GetTickCount(), 5000u);
        }
        EXPECT_EQ(GetTickCount(), 100u);
    }
    EXPECT_EQ(!wq::clock::Current().IsVirtual(), realBefore);
}

TEST(VirtualClock, AdvancesFromSeveralThreadsAddUp) {
    wq::clock::VirtualClock c(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&c] {
            for (int i = 0; i < 1000; ++i) c.Advance(1);
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(c.Now(), 4000u);
}

TEST(RealClock, SleepsAtLeastTheTimeAskedAndNeverGoesBack) {
    wq::clock::RealClock c(0xFFFFFFF0u);  // wraps within the first 16 ms
    const DWORD start = c.Now();
    DWORD last = start;
    for (int i = 0; i < 5; ++i) {
        c.Sleep(5);
        const DWORD now = c.Now();
        EXPECT_LT(static_cast<DWORD>(now - last), 1000u);  // monotonic: no huge unsigned jump
        last = now;
    }
    EXPECT_GE(static_cast<DWORD>(last - start), 25u);
    c.Advance(100000);  // has no effect on real time
    EXPECT_LT(static_cast<DWORD>(c.Now() - last), 1000u);
}

}  // namespace

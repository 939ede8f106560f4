// The tick source: wrapping DWORD milliseconds, real and virtual.
#include "platform/clock/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(VirtualClock, DrivesTicksAndSleepAcrossTheWrapAndRemovingRestoresThePreviousClock) {
    const bool virtualBefore = wq::clock::Current().IsVirtual();
    {
        wq::clock::ScopedVirtualClock outer(100);
        {
            wq::clock::ScopedVirtualClock scoped(0xFFFFFFF0u);
            EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
            Sleep(32);  // a virtual sleep moves time, it does not block
            EXPECT_EQ(GetTickCount(), 0x10u);
            EXPECT_EQ(scoped.clock().Elapsed(), 32u);
        }
        EXPECT_EQ(GetTickCount(), 100u);
    }
    EXPECT_EQ(wq::clock::Current().IsVirtual(), virtualBefore);
}

TEST(RealClock, SleepsAtLeastTheTimeAskedAndNeverGoesBack) {
    wq::clock::RealClock c(0xFFFFFFF0u);  // wraps within the first 16 ms
    const DWORD start = c.Now();
    DWORD last = start;
    for (int i = 0; i < 5; ++i, last = c.Now()) {
        c.Sleep(5);
        EXPECT_LT(c.Now() - last, 1000u);  // monotonic: no huge unsigned jump
    }
    EXPECT_GE(last - start, 25u);
}

}  // namespace

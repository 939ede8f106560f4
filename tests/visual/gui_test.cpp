// The feed on the real message loop: a block from another thread is drawn on
// the GUI thread when heard; feeds destroyed with a wake-up pending are never reached.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/win/testing.h"
#include "platform/win/wnd.h"
#include "visual/guiwaker.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"

namespace {

constexpr RECT kSpectrumRect = {20, 100, 200, 205};

// The player window's part, with play times on the virtual clock: each block
// is heard 200 ms after it is delivered.
class TestWindow : public CWnd, public CSpectrumHost, public CPlayClock {
public:
    TestWindow() {
        EXPECT_TRUE(CreateEx(0, u"WQSpectrumTest", u"spectrum", WS_POPUP | WS_VISIBLE, 0, 0, 480,
                             234, nullptr, nullptr));
    }
    ~TestWindow() override { DestroyWindow(); }
    BOOL SpectrumIsPlaying() const override { return TRUE; }
    int SpectrumPattern() const override { return PATTERN_BASIC; }
    BOOL SpectrumVisualReady() const override { return TRUE; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kSpectrumRect; }
    HWND SpectrumWindow() const override { return m_hWnd; }
    HDC SpectrumGetDC() override {
        drawThread = std::this_thread::get_id();
        drawTicks.push_back(wq::clock::Current().Now());
        return GetDC();
    }
    void SpectrumReleaseDC(HDC dc) override { ReleaseDC(dc); }
    bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) override {
        PlayNow(timeline, ns);
        *ns += 200'000'000;
        return true;
    }
    bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) override {
        *timeline = 0;
        *ns = std::int64_t{wq::clock::Current().Now()} * 1'000'000;
        return true;
    }

    CSpectrumAnalyzer spectrum{this};
    std::thread::id drawThread;
    std::vector<DWORD> drawTicks;
};

// A 4608-byte block at 44100 Hz delivered from a thread of its own.
void DeliverFromAnotherThread(CSpectrumFeed& feed) {
    std::thread([&] {
        const unsigned char format[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0};
        std::vector<short> block(2304, 20000);
        feed.OnSoundSamples(block.data(), 4608, format);
    }).join();
}

}  // namespace

TEST(SpectrumGui, BlockFromAnotherThreadIsDrawnOnTheGuiThreadWhenHeard) {
    wq::win::TestSession session;
    TestWindow window;
    {
        CSpectrumFeed feed(&window, &window.spectrum, &GuiSpectrumWaker(), &window);
        const DWORD start = wq::clock::Current().Now();
        DeliverFromAnotherThread(feed);
        auto r = wq::win::RunUntil([&] { return !window.drawTicks.empty(); }, 5000);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_GE(window.drawTicks[0] - start, 200u) << "drawn before the block was heard";
        EXPECT_LE(window.drawTicks[0] - start, 220u);
        EXPECT_EQ(window.drawThread, std::this_thread::get_id());
    }
    // Feeds destroyed with a wake-up posted, or with a timer armed by one, are never reached.
    for (bool armTimer : {true, false}) {
        CSpectrumFeed feed(&window, &window.spectrum, &GuiSpectrumWaker(), &window);
        DeliverFromAnotherThread(feed);
        if (armTimer) wq::win::PumpPending();
    }
    auto r = wq::win::RunFor(1000);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(window.drawTicks.size(), 1u);
}

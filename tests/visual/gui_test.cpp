// The feed in the program's setting: blocks handed over from other threads
// wake the real message loop, wait on a real window timer for their play time
// and draw into the real window, on the GUI thread only.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"
#include "tests/visual/pictures.h"
#include "visual/guiwaker.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"

namespace {

constexpr RECT kSpectrumRect = {20, 100, 200, 205};

// A top-level window playing the player window's part for the spectrum.
class TestWindow : public CWnd, public CSpectrumHost {
public:
    TestWindow() {
        EXPECT_TRUE(CreateEx(0, u"WQSpectrumTest", u"spectrum", WS_POPUP | WS_VISIBLE, 0, 0, 480,
                             234, nullptr, nullptr));
        HDC dc = GetDC();
        spectrum.CaptureBackground(dc, kSpectrumRect);
        ReleaseDC(dc);
    }
    ~TestWindow() override { DestroyWindow(); }
    BOOL SpectrumIsPlaying() const override { return TRUE; }
    int SpectrumPattern() const override { return PATTERN_BASIC; }
    BOOL SpectrumVisualReady() const override { return TRUE; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kSpectrumRect; }
    HWND SpectrumWindow() const override { return m_hWnd; }
    HDC SpectrumGetDC() override {
        drawThreads.push_back(std::this_thread::get_id());
        drawTicks.push_back(wq::clock::Current().Now());
        return GetDC();
    }
    void SpectrumReleaseDC(HDC dc) override { ReleaseDC(dc); }

    // Bar pixels inside the spectrum rectangle of the window's surface.
    int BarPixels() const {
        const wq::gdi::Surface* s = wq::win::GetWindowSurface(m_hWnd);
        int n = 0;
        for (int y = kSpectrumRect.top; y < kSpectrumRect.bottom; ++y)
            for (int x = kSpectrumRect.left; x < kSpectrumRect.right; ++x)
                n += visualtest::IsBarColour(s->At(x, y));
        return n;
    }

    CSpectrumAnalyzer spectrum{this};
    std::vector<std::thread::id> drawThreads;
    std::vector<DWORD> drawTicks;
};

// Play times on the window system's (virtual) clock: each block is heard
// `leadMs` after it is delivered, or carries no play time when it is negative.
class TickPlayClock : public CPlayClock {
public:
    std::atomic<int> leadMs{200};
    bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) override {
        PlayNow(timeline, ns);
        *ns += std::int64_t{leadMs} * 1'000'000;
        return leadMs >= 0;
    }
    bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) override {
        *timeline = 0;
        *ns = std::int64_t{wq::clock::Current().Now()} * 1'000'000;
        return true;
    }
};

// A loud 4608-byte block at 44100 Hz delivered from a thread of its own.
void DeliverFromAnotherThread(CSpectrumFeed& feed) {
    std::thread([&] {
        const unsigned char format[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0};
        std::vector<short> block(2304);
        for (size_t i = 0; i < block.size(); ++i) block[i] = (i / 18) % 2 ? 20000 : -20000;
        feed.OnSoundSamples(block.data(), 4608, format);
    }).join();
}

}  // namespace

TEST(SpectrumGui, BlocksFromAnotherThreadAreDrawnOnTheGuiThreadWhenHeard) {
    wq::win::TestSession session;
    visualtest::SkinRoot root;
    TestWindow window;
    TickPlayClock clock;
    {
        CSpectrumFeed feed(&window, &window.spectrum, &GuiSpectrumWaker(), &clock);
        const DWORD start = wq::clock::Current().Now();
        DeliverFromAnotherThread(feed);
        EXPECT_EQ(window.BarPixels(), 0);
        auto r = wq::win::RunUntil([&] { return !window.drawTicks.empty(); }, 5000);
        ASSERT_TRUE(r.ok) << r.message;
        const DWORD waited = window.drawTicks[0] - start;
        EXPECT_GE(waited, 200u) << "drawn before the block was heard";
        EXPECT_LE(waited, 220u);
        EXPECT_EQ(window.drawThreads[0], std::this_thread::get_id());
        EXPECT_GT(window.BarPixels(), 0);

        // A block without a play time is drawn at the next turn of the loop.
        clock.leadMs = -1;
        DeliverFromAnotherThread(feed);
        const DWORD before = wq::clock::Current().Now();
        r = wq::win::RunUntil([&] { return window.drawTicks.size() == 2; }, 5000);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(window.drawTicks[1], before);
        EXPECT_EQ(window.drawThreads[1], std::this_thread::get_id());
    }
    // Feeds destroyed with a wake-up posted, or with a timer armed by one, are never reached.
    clock.leadMs = 200;
    for (bool armTimer : {true, false}) {
        CSpectrumFeed feed(&window, &window.spectrum, &GuiSpectrumWaker(), &clock);
        DeliverFromAnotherThread(feed);
        if (armTimer) wq::win::PumpPending();
    }
    auto r = wq::win::RunFor(1000);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(window.drawTicks.size(), 2u);
}

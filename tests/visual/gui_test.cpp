// The feed in the program's setting: blocks handed over from other threads
// wake the real message loop, wait on a real window timer for their play time
// and draw into the real window; and a real MP3, decoded by the real media
// graph, lights the band of its tone while it is heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/media/com.h"
#include "platform/media/sink.h"
#include "platform/media/wqasoundfilter.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"
#include "tests/visual/pictures.h"
#include "visual/guiwaker.h"
#include "visual/mediaclock.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"

namespace {

constexpr RECT kSpectrumRect = {20, 100, 200, 205};
constexpr std::uint32_t kBackdrop = 0x102030;

// A top-level window playing the player window's part for the spectrum.
class TestWindow : public CWnd, public CSpectrumHost {
public:
    TestWindow() {
        EXPECT_TRUE(CreateEx(0, u"WQSpectrumTest", u"spectrum", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234, nullptr, nullptr));
        HDC dc = GetDC();
        HBRUSH brush = CreateSolidBrush(wq::gdi::ColorrefFromPixel(kBackdrop));
        const RECT all = {0, 0, 480, 234};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        spectrum.CaptureBackground(dc, kSpectrumRect);
        ReleaseDC(dc);
    }
    ~TestWindow() override {
        if (m_hWnd != nullptr) DestroyWindow();
    }
    BOOL SpectrumIsPlaying() const override { return TRUE; }
    int SpectrumPattern() const override { return PATTERN_BASIC; }
    BOOL SpectrumVisualReady() const override { return TRUE; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kSpectrumRect; }
    HWND SpectrumWindow() const override { return m_hWnd; }
    HDC SpectrumGetDC() override {
        drawThreads.push_back(std::this_thread::get_id());
        drawTicks.push_back(wq::clock::Current().Now());
        drawTimes.push_back(std::chrono::steady_clock::now());
        drawnLevels.emplace_back();
        for (int b = 0; b < 12; ++b) drawnLevels.back().push_back(spectrum.GetLevel(b));
        return GetDC();
    }
    void SpectrumReleaseDC(HDC dc) override { ReleaseDC(dc); }

    // Bar pixels inside the spectrum rectangle of the window's surface.
    int BarPixels() const {
        const wq::gdi::Surface* s = wq::win::GetWindowSurface(m_hWnd);
        int n = 0;
        for (int y = kSpectrumRect.top; y < kSpectrumRect.bottom; ++y)
            for (int x = kSpectrumRect.left; x < kSpectrumRect.right; ++x) n += visualtest::IsBarColour(s->At(x, y));
        return n;
    }

    CSpectrumAnalyzer spectrum{this};
    std::vector<std::thread::id> drawThreads;
    std::vector<DWORD> drawTicks;
    std::vector<std::chrono::steady_clock::time_point> drawTimes;
    std::vector<std::vector<int>> drawnLevels;
};

// Play times on the window system's (virtual) clock: each block is heard
// `leadMs` after it is delivered, or carries no play time when it is negative.
class TickPlayClock : public CPlayClock {
public:
    std::atomic<int> leadMs{200};
    DWORD origin = wq::clock::Current().Now();
    bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) override {
        PlayNow(timeline, ns);
        *ns += std::int64_t{leadMs} * 1'000'000;
        return leadMs >= 0;
    }
    bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) override {
        *timeline = 0;
        *ns = std::int64_t{static_cast<DWORD>(wq::clock::Current().Now() - origin)} * 1'000'000;
        return true;
    }
};

const unsigned char kFormat44100[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0};

// A loud 4608-byte block delivered from a thread of its own.
void DeliverFromAnotherThread(CSpectrumFeed& feed) {
    std::thread([&] {
        std::vector<short> block(2304);
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<short>((i / 18) % 2 ? 20000 : -20000);
        feed.OnSoundSamples(block.data(), 4608, kFormat44100);
    }).join();
}

}  // namespace

TEST(SpectrumGui, BlocksFromAnotherThreadAreDrawnOnTheGuiThreadWhenHeard) {
    wq::win::TestSession session;
    visualtest::DeviceRoot root;
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

namespace {

// Records the play time the media graph gives each block, in delivery order.
class RecordingClock : public CPlayClock {
public:
    bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) override {
        const bool timed = MediaPlayClock().BlockPlayTime(timeline, ns);
        std::lock_guard<std::mutex> lock(mutex);
        playTimes.push_back(timed ? *ns : -1);
        return timed;
    }
    bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) override { return MediaPlayClock().PlayNow(timeline, ns); }
    std::mutex mutex;
    std::vector<std::int64_t> playTimes;
};

void Tap(void* feed, short* samples, int bytes, WAVEFORMATEX* fmt) {
    static_cast<CSpectrumFeed*>(feed)->OnSoundSamples(samples, bytes, fmt);
}

template <class T>
struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p) p->Release();
    }
    void** Put() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
};

}  // namespace

TEST(SpectrumGui, ARealMp3ToneLightsItsBandWhileItIsHeard) {
    wq::win::ResetWindowSystem();  // the real clock: play times come from the real pipeline clock
    visualtest::DeviceRoot root;
    const std::string dir = (root.Dir() / "SDMMC Card").string();
    // 306.25 Hz = 8 x 44100 / 1152: after thinning by 9 frames the first 64
    // values of two consecutive blocks join into exactly 8 cycles, transform
    // point 8, the band at 3000 Hz (band 4).
    const std::string make = "mkdir -p '" + dir + "' && ffmpeg -v error -f lavfi -i "
                             "'sine=frequency=306.25:sample_rate=44100:duration=2' -ac 2 -c:a pcm_s16le '" + dir +
                             "/tone.wav' && lame --quiet -b 192 '" + dir + "/tone.wav' '" + dir + "/tone.mp3'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    ASSERT_TRUE(wq::media::SetAudioSink("null"));

    TestWindow window;
    RecordingClock clock;
    CSpectrumFeed feed(&window, &window.spectrum, &GuiSpectrumWaker(), &clock);
    {
        ComRef<IGraphBuilder> graph;
        ComRef<IBaseFilter> filter;
        ComRef<IWQASoundFilter> filterCtrl;
        ComRef<IMediaControl> control;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.Put()), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.Put()), S_OK);
        graph->AddFilter(filter.p, u"WQASoundFilter");
        ASSERT_EQ(filter->QueryInterface(IID_IWQASoundFilter, filterCtrl.Put()), S_OK);
        SoundCallbackInfo info{&feed, &Tap};
        filterCtrl->SetSampleCallback(&info);
        ASSERT_GE(graph->RenderFile(u"SDMMC Card\\tone.mp3", nullptr), 0);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.Put()), S_OK);
        control->Run();
        auto r = wq::win::RunUntil([&] { return window.drawTimes.size() >= 40; }, 10000);
        control->Stop();
        filterCtrl->SetSampleCallback(nullptr);
        ASSERT_TRUE(r.ok) << r.message;
    }

    // Never drawn before heard: the n-th frame is the n-th block.
    std::lock_guard<std::mutex> lock(clock.mutex);
    ASSERT_GE(clock.playTimes.size(), window.drawTimes.size());
    int timed = 0;
    for (size_t i = 0; i < window.drawTimes.size(); ++i) {
        const std::int64_t heard = clock.playTimes[i];
        const std::int64_t drawn =
            std::chrono::duration_cast<std::chrono::nanoseconds>(window.drawTimes[i].time_since_epoch()).count();
        if (heard < 0) continue;
        ++timed;
        EXPECT_GE(drawn, heard) << "frame " << i << " drawn " << (heard - drawn) / 1000 << " us early";
    }
    EXPECT_GT(timed, 30) << "blocks of a running graph carry their play time";

    // The tone's band leads every other band over the frames (skip the first
    // two, whose window still holds the silence before the track).
    std::vector<long> sum(12, 0);
    for (size_t i = 2; i < window.drawnLevels.size(); ++i)
        for (size_t b = 0; b < 12; ++b) sum[b] += window.drawnLevels[i][b];
    const long band4 = sum[4];
    sum[4] = 0;
    const long others = *std::max_element(sum.begin(), sum.end());
    EXPECT_GT(band4, 3 * others) << "band 4 " << band4 << ", strongest other band " << others;
    EXPECT_GT(window.BarPixels(), 0);
}

// GLib allocates its first quark table in a library constructor; a full
// unwind lets the suppression for library start-up (_dl_init) recognise it.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0:malloc_context_size=8";
}

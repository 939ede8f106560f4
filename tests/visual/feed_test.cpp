// CSpectrumFeed: blocks cross from the media thread to the GUI thread through a
// fixed ring, are drawn when heard, wake the GUI thread at most once at a time,
// and cost no heap allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/support/alloc_count.h"
#include "visual/bands.h"
#include "visual/fft.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;
// WAVEFORMATEX bytes: only the sample rate at bytes 4-7 (44100) matters here.
const unsigned char kFormat[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0};

// A feed with everything around it faked: the window (frames are counted, not
// drawn), the GUI side's wake-ups and timers, and a pipeline clock the test
// moves by hand (every block gets `nextPlay`).
struct Rig : CSpectrumHost, CSpectrumWaker, CPlayClock {
    BOOL active = TRUE;
    int frames = 0;
    std::atomic<int> wakes{0};
    std::vector<unsigned> timers;  // the delay each timer was asked for
    bool blockTimed = true;
    std::uint64_t blockTimeline = 1, timeline = 1;
    std::int64_t nextPlay = 0, now = 0;
    CFft fft{128, 0};
    CSpectrumAnalyzer analyzer{this};
    CSpectrumFeed feed{this, &analyzer, this, this, &fft};

    BOOL SpectrumIsPlaying() const override { return TRUE; }
    int SpectrumPattern() const override { return PATTERN_BASIC; }
    BOOL SpectrumVisualReady() const override { return TRUE; }
    BOOL SpectrumIsActive() const override { return active; }
    RECT SpectrumRect() const override { return RECT{0, 0, 170, 70}; }
    HWND SpectrumWindow() const override { return nullptr; }
    HDC SpectrumGetDC() override {
        ++frames;
        return nullptr;
    }
    void SpectrumReleaseDC(HDC) override {}
    void Wake(CSpectrumFeed&) override { wakes.fetch_add(1); }
    bool WakeAfter(CSpectrumFeed&, unsigned ms) override {
        timers.push_back(ms);
        return true;
    }
    bool BlockPlayTime(std::uint64_t* t, std::int64_t* ns) override {
        *t = blockTimeline;
        *ns = nextPlay;
        return blockTimed;
    }
    bool PlayNow(std::uint64_t* t, std::int64_t* ns) override {
        *t = timeline;
        *ns = now;
        return true;
    }

    // A block under 256 bytes: every decimated value is its first sample, so the
    // transform's newest tape entry tells which block was taken last.
    void Push(short mark) {
        std::vector<short> block(64, mark);
        feed.OnSoundSamples(block.data(), 128, kFormat);
    }
    double Last() const { return fft.Tape(127); }
};

}  // namespace

TEST(SpectrumFeed, BlockIsTakenWhenHeardNotWhenDecoded) {
    Rig rig;
    rig.nextPlay = 200 * kMs;
    rig.Push(1000);
    EXPECT_EQ(rig.wakes, 1);
    EXPECT_EQ(rig.Last(), 0.0) << "the media thread must not run the transform";
    rig.feed.Pump();          // t = 0: heard in 200 ms
    rig.now = 199 * kMs + 1;  // 1 ns short of a millisecond: never wake early
    rig.feed.Pump();
    EXPECT_EQ(rig.Last(), 0.0);
    EXPECT_EQ(rig.timers, (std::vector<unsigned>{200, 1}));
    rig.now = 200 * kMs;
    rig.feed.Pump();
    EXPECT_EQ(rig.Last(), 1000.0);
    EXPECT_EQ(rig.fft.SampleRate(), 44100);
    EXPECT_EQ(rig.frames, 1);
    EXPECT_EQ(rig.timers.size(), 2u) << "nothing waits, so no further timer";
}

TEST(SpectrumFeed, WakeUpsCoalesceWhileTheGuiThreadIsBehind) {
    Rig rig;
    rig.blockTimed = false;
    for (short i = 1; i <= 10; ++i) rig.Push(i);
    EXPECT_EQ(rig.wakes, 1) << "ten blocks, one pending wake-up";
    rig.feed.Pump();
    EXPECT_EQ(rig.Last(), 10.0);
    EXPECT_EQ(rig.frames, 10) << "one frame per block";
    rig.Push(11);
    EXPECT_EQ(rig.wakes, 2) << "after a Pump the next block wakes the GUI thread again";
}

TEST(SpectrumFeed, InactiveWindowAndEmptyBlocksChangeNothing) {
    Rig rig;
    rig.blockTimed = false;
    rig.active = FALSE;
    rig.Push(30000);
    rig.feed.Pump();
    for (int i = 0; i < 128; ++i) ASSERT_EQ(rig.fft.Tape(i), 0.0);
    EXPECT_EQ(rig.fft.SampleRate(), 0);
    EXPECT_EQ(rig.frames, 0);

    rig.active = TRUE;
    short one = 5;
    rig.feed.OnSoundSamples(&one, 0, kFormat);
    rig.feed.OnSoundSamples(&one, 1, kFormat);
    rig.feed.OnSoundSamples(nullptr, 4608, kFormat);
    EXPECT_EQ(rig.feed.Delivered(), 1u) << "the inactive block";
    // A null format gives sample rate 0: the block enters the tape, every band reads 0.
    std::vector<short> loud(2304, 1000);
    rig.feed.OnSoundSamples(loud.data(), 4608, nullptr);
    rig.feed.Pump();
    EXPECT_EQ(rig.Last(), 1000.0);
    EXPECT_EQ(rig.frames, 1);
    for (int b = 0; b < 12; ++b) EXPECT_EQ(rig.analyzer.GetLevel(b), 0);
}

TEST(SpectrumFeed, BlocksOfAnEarlierPipelineAreDropped) {
    Rig rig;
    rig.nextPlay = 500 * kMs;
    rig.Push(7);
    rig.timeline = rig.blockTimeline = 2;  // a new pipeline: 7 will never be heard
    rig.nextPlay = 0;
    rig.Push(8);
    rig.feed.Pump();
    EXPECT_EQ(rig.fft.Tape(126), 8.0) << "block 7 must not have entered the tape";
    EXPECT_EQ(rig.frames, 1);
}

TEST(SpectrumFeed, MediaThreadAndGuiThreadNeverLoseOrReorderBlocks) {
    Rig rig;
    rig.blockTimed = false;
    constexpr int kBlocks = 20000;
    std::atomic<bool> done{false};
    std::thread media([&] {
        for (int i = 1; i <= kBlocks; ++i) rig.Push(static_cast<short>(i % 30000));
        done = true;
    });
    double last = 0;
    while (!done || rig.feed.Waiting() > 0) {
        rig.feed.Pump();
        ASSERT_GE(rig.Last(), last) << "blocks taken out of order";
        last = rig.Last();
    }
    media.join();
    EXPECT_EQ(std::uint64_t(rig.frames) + rig.feed.Dropped(), std::uint64_t(kBlocks));
    EXPECT_EQ(rig.feed.Delivered(), std::uint64_t(rig.frames));
}

TEST(SpectrumFeed, NoHeapAllocationPerBlock) {
    Rig rig;
    std::vector<short> block(2304, 1234);
    for (int i = 0; i < 1008; ++i) {
        if (i == 8) alloc_count::Start();  // after a warm-up
        block[0] = static_cast<short>(i);
        rig.feed.OnSoundSamples(block.data(), 4608, kFormat);
        if (i < 8 || i % 3 == 0) rig.feed.Pump();
    }
    rig.feed.Pump();
    EXPECT_EQ(alloc_count::Stop(), 0) << "hand-off, transform and levels must not allocate";
    EXPECT_EQ(rig.frames, 1008);
}

// The transform behind it: the band points, a pure tone through the transform
// and the band read-out, and the thinning of sound blocks.
namespace {

const double kPi = std::acos(-1.0);
const int kBandPoints[SPECTRUM_BANDS] = {0, 1, 2, 5, 8, 11, 17, 23, 29, 31, 37, 43};  // 44100 Hz

}  // namespace

TEST(FftBands, PointsAt44100AndOutsideTheTransformAtLowRates) {
    CFft fft(128, 44100);
    for (int b = 0; b < SPECTRUM_BANDS; ++b)
        EXPECT_EQ(fft.HzToPoint(g_nBandFrequency[b]), kBandPoints[b]) << g_nBandFrequency[b];
    fft.SetSampleRate(11025);
    EXPECT_EQ(fft.HzToPoint(15000), 174);
    for (int p : {174, 128, -1}) EXPECT_EQ(fft.GetIntensity(p), 0.0) << p;
    fft.SetSampleRate(0);
    EXPECT_EQ(fft.HzToPoint(1000), -1);  // no division by zero
    fft.SetSampleRate(-1);               // a corrupt format record claiming 0xFFFFFFFF Hz
    EXPECT_LT(fft.HzToPoint(15000), 0);
}

TEST(FftBands, PureToneLandsInItsBandOnly) {
    for (int target = 1; target < SPECTRUM_BANDS; ++target) {  // point 0 is the DC term
        CFft fft(128, 0);
        int levels[SPECTRUM_BANDS];
        // Two 64-value halves of one tone: after both the tape holds exactly p cycles.
        for (int half = 0; half < 2; ++half) {
            short decimated[DECIMATED_COUNT] = {};
            for (int k = 0; k < DECIMATED_COPY_IN; ++k)
                decimated[k] = static_cast<short>(std::lround(
                    10000.0 * std::sin(2.0 * kPi * kBandPoints[target] * (half * 64 + k) / 128.0)));
            ComputeBandLevels(fft, decimated, 44100, levels);
        }
        // A full-cycle tone of amplitude A gives |X| = A N / 2, intensity A sqrt(N) / 2.
        for (int b = 0; b < SPECTRUM_BANDS; ++b)
            EXPECT_EQ(levels[b], b == target ? int(10000.0 * std::sqrt(128.0) / 2.0 / 256.0) : 0)
                << "tone of band " << target << ", band " << b;
    }
}

TEST(Decimation, StrideFromTheBlockLength) {
    // A 4608-byte block (MPEG-1 stereo frame): stride 18, every 18th value.
    std::vector<short> block(2304);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<short>(i);
    short out[DECIMATED_COUNT];
    ASSERT_TRUE(DecimateBlock(block.data(), 4608, out));
    for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], k * 18);
    // Under 256 bytes the stride is 0: the first value 128 times. Only the
    // block's own bytes are read (the sanitizers watch the exact-size copy).
    for (int bytes : {2, 3, 255}) {
        std::vector<short> small(static_cast<size_t>(bytes + 1) / 2);
        small[0] = -1234;
        ASSERT_TRUE(DecimateBlock(small.data(), bytes, out));
        for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], -1234) << bytes << " bytes";
    }
}

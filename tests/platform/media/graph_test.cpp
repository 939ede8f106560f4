// The filter graph on real files made by lame and ffmpeg: loading, exact
// duration, end of stream, seeking, pause and stop, and the sound filter's
// deliveries. Sinks are "fast" or "null", never the machine's sound.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/fs/root.h"
#include "platform/media/pipeline.h"
#include "platform/media/sink.h"
#include "platform/win/testing.h"
#include "platform/win/threads.h"
#include "tests/platform/media/graph_helpers.h"
#include "tests/platform/media/media_files.h"

namespace wqtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void SleepMs(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }
double MsSince(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Samples per channel an independent decoder (ffmpeg) gets from the file.
long long FfmpegFrames(const std::string& name, int channels) {
    const std::string out = ScratchDir() + "/count.raw";
    if (!Shell("ffmpeg -v error -y -i " + HostPath(name) + " -f s16le " + out)) return -1;
    struct stat st {};
    ::stat(out.c_str(), &st);
    return st.st_size / (2 * channels);
}

// ffmpeg's decoder trims the same LAME delay and padding, so its sample count
// is the truth for clean MP3; for WMA and damaged MP3 the decoders differ and
// the 3 s of the source are the truth instead.
class Formats : public ::testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(Formats, LoadsWithTheTrueLengthAndDeliversEverySampleOnce) {
    const auto [file, countLikeFfmpeg] = GetParam();
    ASSERT_TRUE(wq::media::SetAudioSink("fast"));
    Capture cap;
    Graph g;
    ASSERT_EQ(S_OK, g.Load(file, &cap));
    const LONGLONG atLoad = g.Duration();
    ASSERT_GT(atLoad, 0);
    EXPECT_EQ(1, cap.Blocks()) << "one block is delivered at preroll";
    ASSERT_TRUE(g.PlayToEnd(20000)) << "no end of stream";
    EXPECT_EQ(g.Duration(), g.Position()) << "position and duration agree at the end";
    LONG_PTR p1, p2;
    LONG code;
    EXPECT_EQ(E_ABORT, g.events->GetEvent(&code, &p1, &p2, 0)) << "one EC_COMPLETE per end";

    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_GT(cap.rate, 0);
    const LONGLONG played = cap.frames * 10'000'000 / cap.rate;
    EXPECT_NEAR(static_cast<double>(played), static_cast<double>(atLoad), 50 * kMs) << "duration known at load vs audio delivered";
    EXPECT_EQ(0, cap.bytesMisaligned);
    if (countLikeFfmpeg) {
        EXPECT_EQ(FfmpegFrames(file, cap.channels), cap.frames) << "every sample exactly once";
    } else {
        EXPECT_NEAR(3.0, played / 1e7, 0.05);
    }
    for (const auto& t : cap.threads) EXPECT_NE(std::this_thread::get_id(), t) << "callback on the caller's thread";
}

INSTANTIATE_TEST_SUITE_P(Media, Formats,
                         ::testing::Values(std::pair{"cbr.mp3", true}, std::pair{"cbr_notag.mp3", true},
                                           std::pair{"vbr.mp3", true}, std::pair{"vbr_notag.mp3", true},
                                           std::pair{"mpeg2.mp3", true}, std::pair{"mpeg25.mp3", true},
                                           std::pair{"mono.mp3", true}, std::pair{"garbage_mid.mp3", false},
                                           std::pair{"wma1.wma", false}, std::pair{"wma2.wma", false}),
                         [](const auto& p) {
                             std::string n = p.param.first;
                             n[n.find('.')] = '_';
                             return n;
                         });

TEST(Graph, BadFilesFailQuicklyAndLeaveAQuietGraph) {
    ASSERT_TRUE(wq::media::SetAudioSink("fast"));
    for (const char* name : {"random.mp3", "empty.mp3", "folder.mp3", "fifo.mp3", "missing.mp3", "../escape.mp3"}) {
        Capture cap;
        Graph g;
        const auto start = Clock::now();
        EXPECT_TRUE(FAILED(g.Load(name, &cap))) << name;
        EXPECT_LT(MsSince(start), wq::media::kPrerollLimitMs + 500) << name;
        // Nothing rendered: every call answers without harm.
        EXPECT_EQ(S_OK, g.control->Run());
        EXPECT_EQ(0, g.Duration());
        EXPECT_EQ(0, g.Position());
        LONGLONG to = 5 * kMs;
        EXPECT_TRUE(SUCCEEDED(g.seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, 0)));
        EXPECT_EQ(S_OK, g.control->Stop());
        EXPECT_EQ(0, cap.Blocks());
    }
}

TEST(Graph, SeekToHalfOfATwoHundredSecondFileLandsThere) {
    ASSERT_TRUE(wq::media::SetAudioSink("fast"));
    Capture cap;
    Graph g;
    ASSERT_EQ(S_OK, g.Load("long200.mp3", &cap));
    EXPECT_EQ(2'000'000'000, g.Duration());
    // The player's arithmetic for 50 per cent.
    LONGLONG target = static_cast<LONGLONG>(50 * (g.Duration() / 10000.0) * 10000.0 / 100.0);
    EXPECT_EQ(1'000'000'000, target);
    const long before = cap.Blocks();
    ASSERT_EQ(S_OK, g.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
    EXPECT_NEAR(1e9, static_cast<double>(g.Position()), 1 * kMs);
    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_GT(cap.blocks, before) << "the seek prerolls a block at the new position";
    EXPECT_NEAR(1e9, static_cast<double>(cap.blockTimes[before]), 1 * kMs) << "first block after the seek";
}

TEST(Graph, PauseHoldsThePositionAndStopRewinds) {
    ASSERT_TRUE(wq::media::SetAudioSink("null"));  // real time
    Capture cap;
    Graph g;
    ASSERT_EQ(S_OK, g.Load("cbr.mp3", &cap));
    ASSERT_EQ(S_OK, g.control->Run());
    SleepMs(400);
    ASSERT_EQ(S_OK, g.control->Pause());
    const LONGLONG held = g.Position();
    EXPECT_GT(held, 250 * kMs);
    EXPECT_LT(held, 1000 * kMs);
    const long blocks = cap.Blocks();
    SleepMs(300);
    EXPECT_EQ(held, g.Position());
    EXPECT_EQ(blocks, cap.Blocks()) << "no blocks while paused";
    OAFilterState st = -1;
    g.control->GetState(0, &st);
    EXPECT_EQ(State_Paused, st);

    const size_t seen = static_cast<size_t>(cap.Blocks());
    ASSERT_EQ(S_OK, g.control->Stop());
    EXPECT_EQ(0, g.Position());
    g.control->GetState(0, &st);
    EXPECT_EQ(State_Stopped, st);
    ASSERT_EQ(S_OK, g.control->Run());  // playing again starts from the beginning
    SleepMs(100);
    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_GT(cap.blockTimes.size(), seen);
    EXPECT_EQ(0, cap.blockTimes[seen]);
}

// A card pulled while playing: the track ends where the audio stopped, with
// position and duration equal, instead of hanging short of the old duration.
TEST(Graph, AFileCutShortWhilePlayingEndsWhereItStopped) {
    ASSERT_TRUE(wq::media::SetAudioSink("null"));
    // 30 s at 320 kbit/s: the parser's read-ahead (64 KiB) is under 2 s of it.
    const std::string copy = ScratchDir() + "/pulled.mp3";
    ASSERT_TRUE(Shell("ffmpeg -v error -f lavfi -i 'sine=frequency=500:sample_rate=44100:duration=30' -ac 2 -f wav - | "
                      "lame --quiet -b 320 - " + copy));
    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    Graph g;
    const HRESULT hr = g.Load(copy, nullptr);
    wq::fs::SetPathMode(wq::fs::PathMode::Device);
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(300'000'000, g.Duration());
    g.control->Run();
    SleepMs(300);
    ASSERT_EQ(0, ::truncate(copy.c_str(), 24 * 1024));  // about 0.6 s of the 30
    LONG code = 0;
    LONG_PTR p1, p2;
    const auto start = Clock::now();
    ASSERT_EQ(S_OK, g.events->GetEvent(&code, &p1, &p2, 15000)) << "the track must end";
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_LT(MsSince(start), 8000);
    EXPECT_EQ(g.Duration(), g.Position());
    EXPECT_GT(g.Position(), 300 * kMs);
    EXPECT_LT(g.Position(), 5000 * kMs);
}

TEST(Graph, BlockTimingSaysWhenABlockIsHeard) {
    ASSERT_TRUE(wq::media::SetAudioSink("null"));
    Capture cap;
    Graph g;
    ASSERT_EQ(S_OK, g.Load("cbr.mp3", &cap));
    const auto started = Clock::now();
    g.control->Run();
    SleepMs(600);
    g.control->Pause();
    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_GT(cap.arrivals.size(), 10u);
    const wq::media::BlockTiming* first = nullptr;  // the first block that arrived ahead of its time
    int onTime = 0;
    for (const auto& [timing, at] : cap.arrivals) {
        if (!timing.hasPlayTime) continue;
        // Never heard before it was delivered (1 ms: `at` is read after the call).
        EXPECT_GE(timing.playAt + milliseconds(1), at);
        if (timing.playAt <= at + milliseconds(1)) continue;  // late: heard at once
        if (!first) {
            first = &timing;
            EXPECT_LT(MsSince(started, timing.playAt), 250.0);
        }
        // Blocks on time are heard one after another at their media times.
        EXPECT_NEAR(static_cast<double>(timing.mediaTime - first->mediaTime) / 1e4, MsSince(first->playAt, timing.playAt),
                    2.0);
        ++onTime;
    }
    EXPECT_GT(onTime, 5) << "most blocks arrive ahead of their play time";
    EXPECT_FALSE(wq::media::CurrentBlockTiming().hasPlayTime) << "no timing outside a callback";
}

// The player's pattern: the callback only posts; the handler runs in the GUI loop.
TEST(Graph, AGuiHandlerRunsOnlyOnTheGuiThread) {
    ASSERT_TRUE(wq::media::SetAudioSink("fast"));
    wq::win::TestSession session;
    struct Handoff {
        std::atomic<int> posted{0}, callbacksOnGui{0};
        int handled = 0, offGuiThread = 0;
    } h;
    SoundCallbackInfo info{&h, [](void* ctx, short*, int, WAVEFORMATEX*) {
                               auto* s = static_cast<Handoff*>(ctx);
                               if (wq::win::IsGuiThread()) ++s->callbacksOnGui;
                               ++s->posted;
                               wq::win::PostTask([s] {
                                   ++s->handled;
                                   if (!wq::win::IsGuiThread()) ++s->offGuiThread;
                               });
                           }};
    Graph g;
    Capture unused;
    ASSERT_EQ(S_OK, g.Load("cbr.mp3", &unused));
    g.filterCtrl->SetSampleCallback(&info);
    ASSERT_TRUE(g.PlayToEnd(10000));
    const auto r = wq::win::RunUntil([&] { return h.handled == h.posted.load(); }, 60000);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_GT(h.handled, 100);
    EXPECT_EQ(0, h.offGuiThread);
    EXPECT_EQ(0, h.callbacksOnGui.load());
}

TEST(Graph, RateVolumeAndBalanceAreRangeCheckedAndARateSetBeforeOrAfterRenderChangesThePace) {
    ASSERT_TRUE(wq::media::SetAudioSink("null"));
    for (bool before : {true, false}) {
        Graph g;
        ASSERT_EQ(S_OK, g.Create());
        EXPECT_EQ(E_INVALIDARG, g.seeking->SetRate(0.0));
        EXPECT_EQ(E_INVALIDARG, g.audio->put_Volume(1));
        EXPECT_EQ(E_INVALIDARG, g.audio->put_Balance(10001));
        EXPECT_EQ(S_OK, g.audio->put_Volume(-3500));
        if (before) {
            ASSERT_EQ(S_OK, g.seeking->SetRate(2.0));
        }
        ASSERT_EQ(S_OK, g.builder->RenderFile(DevicePath("long200.mp3").c_str(), nullptr));
        if (!before) {
            ASSERT_EQ(S_OK, g.seeking->SetRate(2.0));
        }
        LONG v = 1;
        double rate = 0;
        g.audio->get_Volume(&v);
        g.seeking->GetRate(&rate);
        EXPECT_EQ(-3500, v) << "a volume set before rendering is kept";
        EXPECT_EQ(2.0, rate);
        const auto start = Clock::now();
        g.control->Run();
        SleepMs(500);
        EXPECT_NEAR(2.0, static_cast<double>(g.Position()) / 1e4 / MsSince(start), 0.35) << (before ? "set before render" : "after render");
    }
}

}  // namespace
}  // namespace wqtest

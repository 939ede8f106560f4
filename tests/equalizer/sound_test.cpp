// What the window's edits do to the sound really played: a two-tone track
// (100 Hz and 5 kHz, made by ffmpeg and lame) plays through the real graph
// into the WAV sink in real time while the window raises band 1 and resets.
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/sink.h"
#include "tests/equalizer/eq_fixture.h"

namespace {

using namespace std::chrono_literals;
constexpr int kRate = 44100;

class SoundTest : public EqualizerTest {
protected:
    void SetUp() override {
        EqualizerTest::SetUp();
        // The real codec, installed by COM, applies the presets.
        wq::device::SetCodecBackend(codec->next);
        codec.reset();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    }
    void TearDown() override {
        wq::media::FinishAudioSink();
        wq::media::SetAudioSink("fast");
        CoUninitialize();
        EqualizerTest::TearDown();
    }
};

// Amplitude of the `hz` component of the left channel over frames [from, to).
double Amplitude(const std::vector<short>& stereo, double hz, long long from, long long to) {
    const double w = 2 * std::numbers::pi * hz / kRate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (long long i = from; i < to; ++i) {
        const double s0 = stereo[size_t(2 * i)] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double n = double(to - from);
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / n;
}

// 100 Hz over 5 kHz in dB in the half second that ends `end` frames in.
double RatioDb(const std::vector<short>& stereo, long long end) {
    const long long from = end - kRate / 2;
    return 20 * std::log10(Amplitude(stereo, 100, from, end) / Amplitude(stereo, 5000, from, end));
}

void WaitForFrames(long long frames) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (wq::media::CapturedFrames() < frames && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
}

TEST_F(SoundTest, Band1RaisedByTwelveDecibelsIsHeardWithinASecondAndResetUndoesIt) {
    const std::string track = root.Host("SDMMC Card/AUDIO/two.mp3");
    root.MakeDir("SDMMC Card/AUDIO");
    ASSERT_TRUE(wq::test::Shell(
        "ffmpeg -nostdin -v error -f lavfi -i "
        "'aevalsrc=0.3*sin(2*PI*100*t)+0.3*sin(2*PI*5000*t):s=44100:d=4' -ac 2 -f wav - | "
        "lame --quiet -b 192 - '" +
        track + "'"));
    const std::string capture = root.Host("played.wav");
    ASSERT_TRUE(wq::media::SetAudioSink("wav:" + capture));
    WriteMissingEqDefaults();
    CCommon::Set3DControl(0, 0);  // NORMAL, flat
    Open(0);

    wq::media::ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, graph.PutVoid()));
    wq::media::ComPtr<IMediaControl> control;
    graph->QueryInterface(IID_IMediaControl, control.PutVoid());
    ASSERT_EQ(S_OK, graph->RenderFile(u"SDMMC Card\\AUDIO\\two.mp3", nullptr));
    control->Run();

    WaitForFrames(kRate);
    const long long boostAt = wq::media::CapturedFrames();
    for (int i = 0; i < 12; ++i) Command(2055);  // band 1 "+": 0 dB to +12 dB
    WaitForFrames(boostAt + kRate * 6 / 5);
    const long long resetAt = wq::media::CapturedFrames();
    Command(2040);  // RESET
    WaitForFrames(resetAt + kRate * 6 / 5);
    control->Stop();
    wq::media::FinishAudioSink();

    const std::string wav = wq::test::ReadFile(capture);
    ASSERT_GT(wav.size(), 44u + 4u * size_t(kRate) * 3);
    std::vector<short> stereo((wav.size() - 44) / 2);
    std::memcpy(stereo.data(), wav.data() + 44, stereo.size() * 2);

    const double before = RatioDb(stereo, boostAt);
    const double boosted = RatioDb(stereo, boostAt + kRate);
    const double reset = RatioDb(stereo, resetAt + kRate);
    EXPECT_GE(boosted - before, 6.0) << "before " << before << " dB, boosted " << boosted;
    EXPECT_NEAR(reset, before, 1.0) << "boosted " << boosted;
}

}  // namespace

// GLib's first quark table, allocated in a library constructor, lives until exit by
// design. Only a full unwind (GLib has no frame pointers) shows that origin to the
// suppression "leak:_dl_init" in tests/lsan.supp.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0:malloc_context_size=8";
}

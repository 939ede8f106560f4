// The WAV sink as a virtual sound card: what is really played, at which level,
// with a correct header after every track.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/media/codec.h"
#include "platform/media/sink.h"
#include "tests/platform/media/graph_helpers.h"
#include "tests/platform/media/media_files.h"

namespace wqtest {
namespace {

class WavSink : public ::testing::Test {
protected:
    void SetUp() override {
        wq::media::SetCodecSettings({});
        path_ = ScratchDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".wav";
        ASSERT_TRUE(wq::media::SetAudioSink("wav:" + path_));
    }
    void TearDown() override {
        wq::media::FinishAudioSink();
        wq::media::SetAudioSink("fast");
    }
    std::string path_;
};

TEST_F(WavSink, VolumeMinus2000ScalesWhatIsPlayedByATenth) {
    Capture cap;
    cap.keepSamples = true;
    {
        Graph g;
        ASSERT_EQ(S_OK, g.Load("pcm1.wav", &cap));
        // The player sets balance and volume after loading, just before it runs.
        g.audio->put_Balance(0);
        g.audio->put_Volume(-2000);
        ASSERT_TRUE(g.PlayToEnd(5000));
    }
    wq::media::FinishAudioSink();
    std::string why;
    const auto out = ReadCapturedWav(path_, &why);
    ASSERT_FALSE(out.empty()) << why;
    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_EQ(2, cap.channels);
    ASSERT_EQ(44100, cap.rate);
    ASSERT_EQ(cap.samples.size(), out.size()) << "every tapped sample is played once";
    int worst = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const int expected = static_cast<int>(std::lround(cap.samples[i] * 0.1));
        worst = std::max(worst, std::abs(out[i] - expected));
    }
    EXPECT_LE(worst, 2) << "largest deviation from 0.1 x input, in LSB";
}

TEST_F(WavSink, BalanceAttenuatesOneSide) {
    Capture cap;
    cap.keepSamples = true;
    {
        Graph g;
        ASSERT_EQ(S_OK, g.Load("pcm1.wav", &cap));
        g.audio->put_Balance(1000);  // left 10 dB down
        ASSERT_TRUE(g.PlayToEnd(5000));
    }
    wq::media::FinishAudioSink();
    std::string why;
    const auto out = ReadCapturedWav(path_, &why);
    ASSERT_FALSE(out.empty()) << why;
    std::lock_guard<std::mutex> lock(cap.lock);
    ASSERT_EQ(cap.samples.size(), out.size());
    std::vector<double> inL, inR, outL, outR;
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        inL.push_back(cap.samples[i]);
        inR.push_back(cap.samples[i + 1]);
        outL.push_back(out[i]);
        outR.push_back(out[i + 1]);
    }
    EXPECT_NEAR(0.316, Rms(outL) / Rms(inL), 0.005);
    EXPECT_NEAR(1.0, Rms(outR) / Rms(inR), 0.005);
}

TEST_F(WavSink, TracksAppendToOneFileWhoseHeaderIsRightAfterEach) {
    for (int track = 1; track <= 2; ++track) {
        {
            Graph g;
            ASSERT_EQ(S_OK, g.Load(track == 1 ? "pcm1.wav" : "mono.mp3", nullptr));
            ASSERT_TRUE(g.PlayToEnd(8000));
        }
        std::string why;
        const auto out = ReadCapturedWav(path_, &why);  // the capture is still open
        ASSERT_FALSE(out.empty()) << why;
        EXPECT_EQ(out.size() / 2, static_cast<size_t>(wq::media::CapturedFrames()));
        // Track 1 is 1 s at 44.1 kHz; track 2 adds 3 s of mono 44.1 kHz made stereo.
        EXPECT_EQ(track == 1 ? 44100u : 4 * 44100u, out.size() / 2);
    }
    wq::media::FinishAudioSink();
    std::string why;
    EXPECT_EQ(8u * 44100u, ReadCapturedWav(path_, &why).size()) << why;
}

TEST(SinkChoice, OnlyKnownSinksAreAccepted) {
    EXPECT_FALSE(wq::media::SetAudioSink("speakers"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:/nonexistent-folder/x.wav"));
    ASSERT_TRUE(wq::media::SetAudioSink("null"));
    EXPECT_EQ(wq::media::SinkKind::Null, wq::media::GetAudioSinkKind());
    ASSERT_TRUE(wq::media::SetAudioSink("fast"));
    EXPECT_EQ(wq::media::SinkKind::Fast, wq::media::GetAudioSinkKind());
}

}  // namespace
}  // namespace wqtest

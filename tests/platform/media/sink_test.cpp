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
    // Plays pcm1.wav with the volume and balance set as the player does (after
    // loading, before running); *out gets what was played, cap what was tapped.
    void Play(LONG volume, LONG balance, Capture& cap, std::vector<short>* out) {
        cap.keepSamples = true;
        {
            Graph g;
            ASSERT_EQ(S_OK, g.Load("pcm1.wav", &cap));
            g.audio->put_Balance(balance);
            g.audio->put_Volume(volume);
            ASSERT_TRUE(g.PlayToEnd(5000));
        }
        wq::media::FinishAudioSink();
        std::string why;
        *out = ReadCapturedWav(path_, &why);
        ASSERT_FALSE(out->empty()) << why;
        ASSERT_EQ(2, cap.channels);
        ASSERT_EQ(44100, cap.rate);
        ASSERT_EQ(cap.samples.size(), out->size()) << "every tapped sample is played once";
    }
    std::string path_;
};

TEST_F(WavSink, VolumeMinus2000ScalesWhatIsPlayedByATenth) {
    Capture cap;
    std::vector<short> out;
    ASSERT_NO_FATAL_FAILURE(Play(-2000, 0, cap, &out));
    int worst = 0;
    for (size_t i = 0; i < out.size(); ++i)
        worst = std::max(worst, std::abs(out[i] - static_cast<int>(std::lround(cap.samples[i] * 0.1))));
    EXPECT_LE(worst, 2) << "largest deviation from 0.1 x input, in LSB";
}

TEST_F(WavSink, BalanceAttenuatesOneSide) {
    Capture cap;
    std::vector<short> out;
    ASSERT_NO_FATAL_FAILURE(Play(0, 1000, cap, &out));  // left 10 dB down
    std::vector<double> in[2], played[2];
    for (size_t i = 0; i < out.size(); ++i) {
        in[i % 2].push_back(cap.samples[i]);
        played[i % 2].push_back(out[i]);
    }
    EXPECT_NEAR(0.316, Rms(played[0]) / Rms(in[0]), 0.005);
    EXPECT_NEAR(1.0, Rms(played[1]) / Rms(in[1]), 0.005);
}

TEST_F(WavSink, TracksAppendToOneFileWhoseHeaderIsRightAfterEach) {
    // Track 1 is 1 s at 44.1 kHz; track 2 adds 3 s of mono 44.1 kHz made stereo.
    for (const auto& [file, frames] : {std::pair{"pcm1.wav", 44100u}, std::pair{"mono.mp3", 4 * 44100u}}) {
        {
            Graph g;
            ASSERT_EQ(S_OK, g.Load(file, nullptr));
            ASSERT_TRUE(g.PlayToEnd(8000));
        }
        std::string why;
        const auto out = ReadCapturedWav(path_, &why);  // the capture is still open
        ASSERT_FALSE(out.empty()) << why;
        EXPECT_EQ(out.size() / 2, static_cast<size_t>(wq::media::CapturedFrames()));
        EXPECT_EQ(frames, out.size() / 2);
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

// The WAV sink as a virtual sound card: what is really played, at which level,
// with a correct header after every track; and the choice of sink.
#include "platform/media/sink.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/media/media_helpers.h"

namespace wqtest {
namespace {

// Every graph from now on plays into a new capture file.
std::string StartCapture(const std::string& name) {
    const std::string path = ScratchDir() + "/" + name + ".wav";
    EXPECT_TRUE(wq::media::SetAudioSink("wav:" + path));
    return path;
}

// Volume and balance set as the player sets them (after loading, before
// running). -2000 hundredths of a dB is an amplitude of 0.1; balance 1000
// takes the left side 10 dB down (0.316) and leaves the right alone.
TEST(WavSink, VolumeAndBalanceScaleWhatIsPlayed) {
    struct Case {
        LONG volume, balance;
        double gain[2];  // left, right
    };
    const Case cases[] = {{-2000, 0, {0.1, 0.1}}, {0, 1000, {0.31623, 1.0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balance);
        const std::string path = StartCapture("level" + std::to_string(c.balance));
        Capture cap;
        cap.keepSamples = true;
        {
            Graph g;
            ASSERT_EQ(S_OK, g.Load("pcm1.wav", &cap));
            g.audio->put_Balance(c.balance);
            g.audio->put_Volume(c.volume);
            ASSERT_TRUE(g.PlayToEnd(5000));
        }
        wq::media::FinishAudioSink();
        std::string why;
        const auto out = ReadCapturedWav(path, &why);
        ASSERT_FALSE(out.empty()) << why;
        ASSERT_EQ(cap.samples.size(), out.size()) << "every tapped sample is played once";
        int worst = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const long want = std::lround(cap.samples[i] * c.gain[i % 2]);
            worst = std::max(worst, static_cast<int>(std::abs(out[i] - want)));
        }
        EXPECT_LE(worst, 2) << "largest deviation from the scaled input, in LSB";
    }
}

TEST(WavSink, TracksAppendToOneFileWhoseHeaderIsRightAfterEach) {
    const std::string path = StartCapture("tracks");
    // Track 1 is 1 s at 44.1 kHz; track 2 adds 3 s of mono 44.1 kHz made stereo.
    for (const auto& [file, frames] :
         {std::pair{"pcm1.wav", 44100u}, std::pair{"mono.mp3", 4 * 44100u}}) {
        {
            Graph g;
            ASSERT_EQ(S_OK, g.Load(file, nullptr));
            ASSERT_TRUE(g.PlayToEnd(8000));
        }
        std::string why;
        const auto out = ReadCapturedWav(path, &why);  // the capture is still open
        ASSERT_FALSE(out.empty()) << why;
        EXPECT_EQ(out.size() / 2, static_cast<size_t>(wq::media::CapturedFrames()));
        EXPECT_EQ(frames, out.size() / 2);
    }
    wq::media::FinishAudioSink();
    std::string why;
    EXPECT_EQ(8u * 44100u, ReadCapturedWav(path, &why).size()) << why;
}

TEST(SinkChoice, UnknownSinksAndUncreatableCapturesAreRefused) {
    EXPECT_FALSE(wq::media::SetAudioSink("speakers"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:/nonexistent-folder/x.wav"));
    EXPECT_TRUE(wq::media::SetAudioSink("null"));
}

}  // namespace
}  // namespace wqtest

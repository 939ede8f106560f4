// What is really played, captured with the WAV sink as a virtual sound card:
// the codec's presets (from the settings, with their defaults) and their
// effect, volume, tracks appended to one capture; and the choice of sink.
#include "platform/media/codec.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/media/sink.h"
#include "tests/platform/media/media_helpers.h"

namespace wqtest {
namespace {

using wq::media::CodecSettings;

class Codec : public ::testing::Test {
protected:
    void SetUp() override {
        wq::device::SetSettingsPath(ScratchDir() + "/codec.db");
        // Installs the codec backend.
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        wq::media::SetCodecSettings({});
    }
    void TearDown() override {
        wq::media::SetCodecSettings({});
        CoUninitialize();
        wq::media::FinishAudioSink();
        wq::media::SetAudioSink("fast");
    }
    // Plays a device file with the WAV sink and `settings`; returns the stereo
    // samples played. (A change while playing is heard: tests/equalizer/sound_test.cpp.)
    std::vector<short> Play(const std::string& file, const CodecSettings& settings) {
        const std::string out = ScratchDir() + "/codec-capture.wav";
        EXPECT_TRUE(wq::media::SetAudioSink("wav:" + out));
        wq::media::SetCodecSettings(settings);
        {
            Graph g;
            EXPECT_EQ(S_OK, g.Load(file, nullptr));
            EXPECT_TRUE(g.PlayToEnd(5000));
        }
        wq::media::FinishAudioSink();
        std::string why;
        auto s = ReadCapturedWav(out, &why);
        EXPECT_FALSE(s.empty()) << why;
        return s;
    }
};

// RMS of the left channel (0) or of mid/side (1 mid, 2 side) over frames [from, to).
double Level(const std::vector<short>& s, int what, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to && 2 * i + 1 < s.size(); ++i) {
        const double l = s[2 * i], r = s[2 * i + 1];
        const double pick[3] = {l, (l + r) / 2, (l - r) / 2};
        sum += pick[what] * pick[what];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST_F(Codec, Set3DControlAppliesStoredValuesOverThePresetDefaults) {
    EXPECT_FALSE(CCommon::Set3DControl(0, 11));
    EXPECT_FALSE(CCommon::Set3DControl(1, 0));

    const std::pair<const char16_t*, DWORD> stored[] = {
        {u"DB BAND30", 7},        // preset 0, band 3: 24 - 7 = step 17 = +5 dB
        {u"HZ BAND20", 3},        // band 2 at 500 Hz
        {u"HZ BAND10", 9},        // no such choice: the default 105 Hz stays
        {u"USE WIDE BAND40", 1},  // band 4 wide
        {u"3D BAND0", 15},        // 100 %
        {u"DB BAND51", 0},        // preset 1 only: +12 dB
    };
    for (const auto& [key, v] : stored)
        ASSERT_TRUE(CCommon::WriteINIFile(u"WQEQUALIZER", key, REG_DWORD, &v));
    ASSERT_TRUE(CCommon::Set3DControl(0, 0));
    CodecSettings s = wq::media::GetCodecSettings();
    EXPECT_EQ(5.0, s.bands[2].gainDb);
    EXPECT_EQ(500, s.bands[1].freqHz);
    EXPECT_EQ(105, s.bands[0].freqHz);
    EXPECT_TRUE(s.bands[3].wide);
    EXPECT_DOUBLE_EQ(1.0, s.widen);
    EXPECT_EQ(0.0, s.bands[4].gainDb);
    ASSERT_TRUE(CCommon::Set3DControl(0, 1));  // ROCK with its own stored band 5
    s = wq::media::GetCodecSettings();
    EXPECT_EQ(12.0, s.bands[4].gainDb);
    EXPECT_EQ(3.0, s.bands[1].gainDb) << "ROCK's default, as nothing is stored for it";
}

// A 12 dB boost raises its tone by 12 dB less the headroom, and a full-scale
// tone does not clip; 3D doubles the side signal and halves the whole, as a
// full-scale side could double a channel.
TEST_F(Codec, BoostAndWideningChangeWhatIsPlayedWithoutClipping) {
    CodecSettings boost, wide;
    boost.bands[2] = {850, 12.0, false};
    wide.widen = 1.0;
    const auto flat = Play("tone850.wav", {});
    const auto boosted = Play("tone850.wav", boost);
    ASSERT_EQ(flat.size(), boosted.size());
    int peak = 0;
    for (short v : boosted) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LT(peak, 32767);
    const double gainDb =
        20 * std::log10(Level(boosted, 0, 11025, 33075) / Level(flat, 0, 11025, 33075));
    EXPECT_NEAR(12.0 + 20 * std::log10(wq::media::HeadroomGain(boost)), gainDb, 0.5);

    const auto flatPcm = Play("pcm1.wav", {});
    const auto widened = Play("pcm1.wav", wide);
    EXPECT_NEAR(0.5, Level(widened, 1, 4410, 39690) / Level(flatPcm, 1, 4410, 39690), 0.01);
    EXPECT_NEAR(1.0, Level(widened, 2, 4410, 39690) / Level(flatPcm, 2, 4410, 39690), 0.02);

    // Two wide boosts overlap between their bands: the headroom covers their sum.
    boost.bands[1] = {300, 12, true};
    boost.bands[2] = {850, 12, true};
    EXPECT_GT(-20 * std::log10(wq::media::HeadroomGain(boost)), 12.0);
}

// Every graph from now on plays into a new capture file.
std::string StartCapture(const std::string& name) {
    const std::string path = ScratchDir() + "/" + name + ".wav";
    EXPECT_TRUE(wq::media::SetAudioSink("wav:" + path));
    return path;
}

// Volume set as the player sets it (after loading, before running): -2000
// hundredths of a dB is an amplitude of 0.1. (The player's balance is always
// 0.) The next track, with its own graph, is appended to the same capture.
TEST(WavSink, VolumeScalesWhatIsPlayedAndTracksAppendToOneFile) {
    const std::string path = StartCapture("tracks");
    Capture cap;
    cap.keepSamples = true;
    {
        Graph g;
        ASSERT_EQ(S_OK, g.Load("pcm1.wav", &cap));
        g.audio->put_Volume(-2000);
        ASSERT_TRUE(g.PlayToEnd(5000));
    }
    {
        Graph g;
        ASSERT_EQ(S_OK, g.Load("mono.mp3", nullptr));
        ASSERT_TRUE(g.PlayToEnd(8000));
    }
    wq::media::FinishAudioSink();
    std::string why;
    const auto out = ReadCapturedWav(path, &why);
    // 1 s at 44.1 kHz, then 3 s of mono 44.1 kHz made stereo.
    ASSERT_EQ(out.size(), 8u * 44100u) << why;
    ASSERT_EQ(cap.samples.size(), 2u * 44100u) << "every tapped sample is played once";
    int worst = 0;
    for (size_t i = 0; i < cap.samples.size(); ++i)
        worst = std::max(worst, int(std::abs(out[i] - std::lround(cap.samples[i] * 0.1))));
    EXPECT_LE(worst, 2) << "largest deviation from the scaled input, in LSB";
}

TEST(SinkChoice, UnknownSinksAndUncreatableCapturesAreRefused) {
    EXPECT_FALSE(wq::media::SetAudioSink("speakers"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:"));
    EXPECT_FALSE(wq::media::SetAudioSink("wav:/nonexistent-folder/x.wav"));
    EXPECT_TRUE(wq::media::SetAudioSink("null"));
}

}  // namespace
}  // namespace wqtest
